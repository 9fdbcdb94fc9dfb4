"""Experiments, table for table against zemrath-sweep's files: from the
same TOML file, from a dict of its keys, and mapped over a real Dask
cluster."""

import pandas as pd
import numpy as np
import pytest

import zemrath
from conftest import csv_text, file_text, parameters_of, run_program

# An experiment of every design, as a file's lines after the answers and
# the seeds.
DESIGNS = {
    "grid": ["[parameters]", "generations = 15", "[vary.carrying-capacity]", "values = [100, 400, 1600]",
             "[vary.adult-survival]", "from = 0.3", "to = 0.6", "points = 4", "[design]", 'kind = "grid"'],
    "one-at-a-time": ["[parameters]", "generations = 15", "[vary.max-reproduction-age]", "values = [2, 6]",
                      "[vary.fecundity-rate]", "values = [0.5, 1.5, 3]", "[design]", 'kind = "one-at-a-time"'],
    "latin-hypercube": ["[parameters]", "generations = 15", "[vary.adult-survival]", "from = 0.3", "to = 0.6",
                        "[vary.max-reproduction-age]", "from = 2", "to = 8", "[design]",
                        'kind = "latin-hypercube"', "samples = 5", "sample-seed = 11"],
    "sobol": ["[parameters]", "generations = 15", "[vary.carrying-capacity]", "from = 100", "to = 1600",
              'scale = "log"', "[vary.adult-survival]", "from = 0.3", "to = 0.6", "[design]", 'kind = "sobol"',
              "samples = 4", "sample-seed = 11"],
    "morris": ["[parameters]", "generations = 15", "[vary.carrying-capacity]", "from = 100", "to = 1600",
               "[vary.adult-survival]", "from = 0.3", "to = 0.6", "[design]", 'kind = "morris"',
               "trajectories = 3", "select-from = 6", "sample-seed = 11"],
    "efast": ["[parameters]", "generations = 15", "[vary.carrying-capacity]", "from = 100", "to = 1600",
              "[vary.adult-survival]", "from = 0.3", "to = 0.6", "[design]", 'kind = "efast"',
              "samples = 65", "sample-seed = 11"],
}


def experiment_file(folder, answers_file, design, seeds="0-49"):
    answers_file("small")
    path = folder / "experiment.toml"
    path.write_text("\n".join(['answers = "answers.txt"', f'seeds = "{seeds}"', *DESIGNS[design]]) + "\n")
    return path


@pytest.mark.parametrize("design", DESIGNS)
def test_a_sweep_is_zemrath_sweeps_files_and_lines(tmp_path, answers_file, design):
    path = experiment_file(tmp_path, answers_file, design)
    out = tmp_path / "sweep"
    printed = run_program("ZEMRATH_SWEEP_PROGRAM", "run", path, "--out", out, "--quiet", "--threads", 2)
    s = zemrath.run_sweep(path, threads=2)
    assert s.design == design
    assert csv_text(s.points) == file_text(out / "points.csv")
    assert csv_text(s.summary) == file_text(out / "summary.csv")
    assert csv_text(s.outcomes, missing="") == file_text(out / "outcomes.csv")
    if (out / "sensitivity.csv").exists():
        assert csv_text(s.sensitivity, missing="") == file_text(out / "sensitivity.csv")
    else:
        assert s.sensitivity is None
    assert csv_text(s.variance_share, missing="") == file_text(out / "variance-share.csv")
    if (out / "sensitivity-by-generation.csv").exists():
        assert csv_text(s.sensitivity_by_generation, missing="") == file_text(out / "sensitivity-by-generation.csv")
    else:
        assert s.sensitivity_by_generation is None
    assert printed == s.text + f"written to {out}: " + printed.rsplit(": ", 1)[1]
    assert str(s) == s.text.rstrip("\n")


def test_a_point_is_run_ensemble_of_its_parameters(tmp_path, answers_file):
    s = zemrath.run_sweep(experiment_file(tmp_path, answers_file, "grid", seeds="0-99"), threads=2)
    assert s.points["point"].tolist() == list(range(12))
    point = s.points.iloc[7]
    e = zemrath.run_ensemble(parameters_of("small").replace(carrying_capacity=point["carrying_capacity"],
                                                            adult_survival=point["adult_survival"], generations=15),
                             seeds="0-99", threads=1)
    mine = s.summary[s.summary["point"] == 7].drop(columns="point").reset_index(drop=True)
    pd.testing.assert_frame_equal(mine, e.summary, check_exact=True)
    np.testing.assert_array_equal(s.outcomes.iloc[7][list(zemrath.OUTCOME_COLUMNS)].to_numpy(), e.outcomes.to_numpy())


def test_a_dict_with_the_keys_of_the_file_is_the_same_experiment(tmp_path, answers_file):
    from_file = zemrath.run_sweep(experiment_file(tmp_path, answers_file, "sobol"), threads=2)
    experiment = {
        "seeds": "0-49",
        "parameters": parameters_of("small").replace(generations=15),
        "vary": {"carrying-capacity": {"from": 100, "to": 1600, "scale": "log"},
                 "adult-survival": {"from": np.float64(0.3), "to": 0.6}},
        "design": {"kind": "sobol", "samples": np.int64(4), "sample-seed": 11},
    }
    from_dict = zemrath.run_sweep(experiment, threads=2)
    for table in ("points", "summary", "outcomes", "sensitivity"):
        pd.testing.assert_frame_equal(getattr(from_dict, table), getattr(from_file, table), check_exact=True)
    assert from_dict.text == from_file.text
    # The dict's order is the design's: the first varies slowest on a grid.
    grid = {"parameters": {"generations": 3}, "answers": str(answers_file("small")), "seeds": "0-9",
            "vary": {"adult-survival": {"values": [0.3, 0.6]}, "generations": {"values": (1, 2, 3)}}}
    points = zemrath.run_sweep(grid, threads=1).points
    assert points["adult_survival"].tolist() == [0.3] * 3 + [0.6] * 3
    assert points["generations"].tolist() == [1, 2, 3] * 2


@pytest.mark.parametrize("change, subject, words", [
    ({"vary": {}}, "vary", "experiment: vary: no parameter is varied"),
    ({"vary": {"carying-capacity": {"values": [1]}}}, "vary.carying-capacity", "did you mean carrying-capacity"),
    ({"vary": {"adult-survival": [0.3]}}, "vary.adult-survival", "must be a table"),
    ({"vary": {"adult-survival": {"from": 0.6, "to": 0.3, "points": 2}}}, "vary.adult-survival", "from"),
    ({"vary": {"adult-survival": {"values": [None]}}}, "vary.adult-survival.values", "NoneType is not a value"),
    ({"vary": {"adult-survival": {"values": ["0.5x"]}}}, "vary.adult-survival.values", "cannot read '0.5x'"),
    ({"vary": {"generations": {"values": [2 ** 64]}}}, "vary.generations.values", "out of range"),
    ({"vary": {"generations": {"values": [1.5]}}}, "vary.generations.values", "whole numbers only"),
    ({"design": {"kind": "spiral"}}, "design.kind", '"grid", "one-at-a-time"'),
    ({"design": {"kind": "sobol"}}, "design.samples", "is needed"),
    ({"design": {"samples": 10 ** 9, "kind": "sobol"}}, "design.samples", "must be from 2 to 100000000"),
    ({"seed": "0-9"}, "seed", r"unknown key \(did you mean seeds\?\)"),
    ({"seeds": "0-1000"}, "seeds", "1000"),
    ({"parameters": {"generations": 3, 7: 1}}, "parameters", "keys must be str"),
    ({"answers": "no-such-answers.txt"}, "answers", "no-such-answers.txt"),
])
def test_a_mistake_in_a_dict_names_its_key(change, subject, words):
    values = parameters_of("small").replace(generations=3)
    experiment = {"parameters": {field["key"]: values[field["name"]] for field in zemrath.ANSWER_FIELDS},
                  "seeds": "0-9", "vary": {"adult-survival": {"values": [0.3, 0.6]}}}
    experiment.update(change)
    with pytest.raises(zemrath.BadValue, match=words) as caught:
        zemrath.run_sweep(experiment)
    assert caught.value.subject == subject


def test_a_mistake_in_a_file_names_its_line_and_key(tmp_path, answers_file):
    path = experiment_file(tmp_path, answers_file, "grid")
    path.write_text(path.read_text().replace("points = 4", "points = 0"))
    with pytest.raises(zemrath.BadValue, match=r"experiment.toml:\d+: vary.adult-survival: ") as caught:
        zemrath.run_sweep(path)
    assert caught.value.subject == "vary.adult-survival"
    with pytest.raises(zemrath.BadValue, match="is a directory, not an experiment file"):
        zemrath.run_sweep(tmp_path)
    with pytest.raises(zemrath.ReadFailed):
        zemrath.run_sweep(tmp_path / "none.toml")
    with pytest.raises(zemrath.BadType):
        zemrath.run_sweep(["experiment.toml"])


def test_the_points_of_a_sweep_run_on_a_dask_cluster_give_the_same_results(tmp_path, answers_file):
    distributed = pytest.importorskip("distributed")
    path = experiment_file(tmp_path, answers_file, "one-at-a-time")
    here = zemrath.run_sweep(path, threads=2)
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True, host="127.0.0.1",
                                  dashboard_address=None) as cluster, distributed.Client(cluster) as client:
        there = zemrath.run_sweep(path, client=client)
        assert len(client.scheduler_info()["workers"]) == 2
        # A failure on a worker is the same exception here, with its subject.
        broken = {"seeds": "0-9", "parameters": {**{f["key"]: 1 for f in zemrath.ANSWER_FIELDS},
                                                 "max-reproduction-age": 2147483647},
                  "vary": {"adult-survival": {"values": [0.3, 0.6]}}}
        with pytest.raises(zemrath.OutOfMemory, match="2147483647 age classes"):
            zemrath.run_sweep(broken, client=client)
    for table in ("points", "summary", "outcomes", "sensitivity"):
        pd.testing.assert_frame_equal(getattr(there, table), getattr(here, table), check_exact=True)
    assert there.text == here.text


def test_results_pickle_whole(tmp_path, answers_file):
    import pickle

    s = zemrath.run_sweep(experiment_file(tmp_path, answers_file, "one-at-a-time", seeds="0-9"), threads=2)
    again = pickle.loads(pickle.dumps(s))
    pd.testing.assert_frame_equal(again.sensitivity, s.sensitivity, check_exact=True)
    e = zemrath.run_ensemble(parameters_of("small"), seeds="0-9", threads=2)
    assert str(pickle.loads(pickle.dumps(e))) == str(e)
