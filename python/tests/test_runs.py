"""One stream and ensembles, number for number against the programs: the
rows of zemrath's output.txt, the files and printed lines of
zemrath-ensemble."""

import numpy as np
import pandas as pd
import pytest

import zemrath
from conftest import ANSWER_SETS, csv_text, file_text, parameters_of, program_rows, run_program


@pytest.mark.parametrize("name, seed", [("small", 42), ("small", 0), ("wrapping", 999), ("large", 7)])
def test_a_stream_is_the_rows_of_output_txt(tmp_path, name, seed):
    rows = zemrath.run_stream(parameters_of(name), seed=seed, threads=2)
    assert list(rows.columns) == ["generation", "embryos", "larvae", "adults"]
    assert all(dtype == np.int32 for dtype in rows.dtypes)
    assert rows.to_numpy().tolist() == program_rows(ANSWER_SETS[name], seed, tmp_path)


@pytest.mark.parametrize("name, seeds, program_seeds", [
    ("small", "0-999", "0-999"),
    ("wrapping", [999, 3, 500, 3, 4], "3-4,500,999"),
    ("large", range(0, 6), "0-5"),
])
def test_an_ensemble_is_zemrath_ensembles_files_and_lines(tmp_path, answers_file, name, seeds, program_seeds):
    out = tmp_path / "results"
    printed = run_program("ZEMRATH_ENSEMBLE_PROGRAM", "--answers", answers_file(name), "--seeds", program_seeds,
                          "--out", out, "--quiet", "--threads", 2)
    e = zemrath.run_ensemble(parameters_of(name), seeds=seeds, threads=2)
    assert csv_text(e.summary) == file_text(out / "summary.csv")
    assert csv_text(e.runs) == file_text(out / "runs.csv")
    assert e.text == printed
    assert str(e) == printed.rstrip("\n")
    last = e.summary.iloc[-1]
    assert e.outcomes["extinct_fraction"] == last["extinct_fraction"]
    assert e.outcomes["adults_p95"] == last["adults_p95"]
    assert e.extinct_streams == round(last["extinct_fraction"] * len(e.seeds))


def test_the_outcomes_are_a_sweeps_columns():
    e = zemrath.run_ensemble(parameters_of("wrapping"), seeds="0-99", threads=2, runs=False)
    assert list(e.outcomes.index) == list(zemrath.OUTCOME_COLUMNS)
    assert e.runs is None
    assert e.wrapped_streams > 0 and e.first_wrapped_generation is not None
    assert e.outcomes["wrapped_fraction"] == e.wrapped_streams / 100
    with pytest.raises(zemrath.BadValue, match="runs=False"):
        e.to_xarray()
    # No stream of one generation dies out: no generation of extinction.
    one = zemrath.run_ensemble(parameters_of("small").replace(generations=1), seeds="0-9", threads=1)
    assert np.isnan(one.outcomes["median_extinction_generation"])


def test_to_xarray_holds_every_streams_rows():
    e = zemrath.run_ensemble(parameters_of("small"), seeds="5,7-9", threads=2)
    ds = e.to_xarray()
    assert dict(ds.sizes) == {"stream": 4, "generation": 31}
    assert ds["seed"].values.tolist() == [5, 7, 8, 9]
    rows = zemrath.run_stream(parameters_of("small"), seed=8, threads=1)
    stream = ds.where(ds.seed == 8, drop=True)
    for count in ("embryos", "larvae", "adults"):
        assert ds[count].dtype == np.int32
        assert stream[count].values.ravel().tolist() == rows[count].tolist()
    assert ds.attrs["carrying_capacity"] == 400 and ds.attrs["seeds"] == "5,7-9"


def test_threads_never_change_the_results():
    p = parameters_of("large")
    one = zemrath.run_ensemble(p, seeds="0-3", threads=1)
    many = zemrath.run_ensemble(p, seeds="0-3", threads=3)
    pd.testing.assert_frame_equal(one.summary, many.summary, check_exact=True)
    pd.testing.assert_frame_equal(one.runs, many.runs, check_exact=True)
    pd.testing.assert_frame_equal(zemrath.run_stream(p, 1, threads=1), zemrath.run_stream(p, 1, threads=4),
                                  check_exact=True)


@pytest.mark.parametrize("call, error, subject", [
    (lambda p: zemrath.run_ensemble(p, seeds="0-1000"), zemrath.BadValue, "seeds"),
    (lambda p: zemrath.run_ensemble(p, seeds=[1, 1000]), zemrath.BadValue, "seeds"),
    (lambda p: zemrath.run_ensemble(p, seeds=[]), zemrath.BadValue, "seeds"),
    (lambda p: zemrath.run_ensemble(p, seeds="5-3"), zemrath.BadValue, "seeds"),
    (lambda p: zemrath.run_ensemble(p, seeds=[0.5]), zemrath.BadType, "seeds"),
    (lambda p: zemrath.run_ensemble(p, seeds=[True]), zemrath.BadType, "seeds"),
    (lambda p: zemrath.run_ensemble(p, seeds=7), zemrath.BadType, "seeds"),
    (lambda p: zemrath.run_ensemble(p, seeds=[2 ** 70]), zemrath.BadValue, "seeds"),
    (lambda p: zemrath.run_ensemble(p, threads=0), zemrath.BadValue, "threads"),
    (lambda p: zemrath.run_ensemble(p, threads=1025), zemrath.BadValue, "threads"),
    (lambda p: zemrath.run_ensemble(p, threads=2.0), zemrath.BadType, "threads"),
    (lambda p: zemrath.run_ensemble(p, runs="yes"), zemrath.BadValue, "runs"),
    (lambda p: zemrath.run_ensemble({**p, "generations": 2.5}), zemrath.BadValue, "generations"),
    (lambda p: zemrath.run_ensemble([1, 2]), zemrath.BadType, "parameters"),
    (lambda p: zemrath.run_stream(p, seed=1000), zemrath.BadValue, "seed"),
    (lambda p: zemrath.run_stream(p, seed=-1), zemrath.BadValue, "seed"),
    (lambda p: zemrath.run_stream(p, seed="42"), zemrath.BadType, "seed"),
    (lambda p: zemrath.run_stream(p, seed=1, threads=10 ** 6), zemrath.BadValue, "threads"),
])
def test_arguments_that_cannot_be_used_are_refused_naming_them(call, error, subject):
    with pytest.raises(error) as caught:
        call(parameters_of("small"))
    assert caught.value.subject == subject
