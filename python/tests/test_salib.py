"""The model for SALib: a problem dict and a sample array in, the outcomes
as an array out, the same as a sweep of the same points."""

import numpy as np
import pandas as pd
import pytest

import zemrath
from conftest import parameters_of

BASE = parameters_of("small").replace(generations=15)
PROBLEM = {"num_vars": 2, "names": ["adult_survival", "max-reproduction-age"], "bounds": [[0.3, 0.6], [2, 8]]}


def test_the_outcomes_of_a_sample_are_those_of_a_sweep_of_its_points():
    sweep = zemrath.run_sweep({"parameters": BASE, "seeds": "0-49", "design": {"kind": "latin-hypercube",
                                                                                "samples": 6, "sample-seed": 3},
                               "vary": {"adult-survival": {"from": 0.3, "to": 0.6},
                                        "max-reproduction-age": {"from": 2, "to": 8}}}, threads=2)
    samples = sweep.points[["adult_survival", "max_reproduction_age"]].to_numpy(dtype=float)
    points = zemrath.salib.points(PROBLEM, samples, BASE)
    pd.testing.assert_frame_equal(points, sweep.points.drop(columns="point"), check_exact=True)
    y = zemrath.salib.evaluate(PROBLEM, samples, BASE, seeds="0-49", threads=2)
    assert y.shape == (6,)
    np.testing.assert_array_equal(y, sweep.outcomes["extinct_fraction"].to_numpy())
    both = zemrath.salib.evaluate(PROBLEM, samples, BASE, seeds="0-49", outcome=["adults_mean", "adults_p95"])
    np.testing.assert_array_equal(both, sweep.outcomes[["adults_mean", "adults_p95"]].to_numpy())


def test_whole_parameters_are_rounded_as_a_design_rounds_them():
    points = zemrath.salib.points(PROBLEM, [[0.5, 2.5], [0.5, -2.5], [0.5, 3.4999]], BASE)
    assert points["max_reproduction_age"].tolist() == [3, -3, 3]
    assert points["generations"].tolist() == [15] * 3
    one = zemrath.salib.points({"names": ["generations"]}, np.array([1.0, 7.0]), BASE)
    assert one["generations"].tolist() == [1, 7]


@pytest.mark.parametrize("problem, samples, outcome, error, words", [
    ({"names": ["adult_survivl"]}, [[0.5]], "extinct_fraction", zemrath.BadValue, "did you mean adult_survival"),
    ({"names": ["adult_survival", "adult-survival"]}, [[0.5, 0.5]], "extinct_fraction", zemrath.BadValue,
     "more than once"),
    ({"names": []}, [[]], "extinct_fraction", zemrath.BadValue, "names no parameter"),
    ({"bounds": [[0, 1]]}, [[0.5]], "extinct_fraction", zemrath.BadType, "names"),
    (PROBLEM, [[0.5]], "extinct_fraction", zemrath.BadValue, "one column per name"),
    (PROBLEM, [["a", "b"]], "extinct_fraction", zemrath.BadType, "array of numbers"),
    (PROBLEM, [[0.5, 4]], "extinction", zemrath.BadValue, "unknown outcome"),
])
def test_a_problem_or_sample_that_cannot_be_used_is_refused(problem, samples, outcome, error, words):
    with pytest.raises(error, match=words):
        zemrath.salib.evaluate(problem, samples, BASE, seeds="0-9", outcome=outcome)
