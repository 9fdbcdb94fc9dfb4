"""The model for SALib's samplers and analysers, and for any code of that
kind: a problem dict and a sample array in, the outcomes as an array out.

    problem = {"num_vars": 2, "names": ["adult_survival", "carrying_capacity"],
               "bounds": [[0.3, 0.6], [100, 1600]]}
    X = SALib.sample.saltelli.sample(problem, 64)      # or any array of rows
    Y = zemrath.salib.evaluate(problem, X, base, seeds="0-99")
    SALib.analyze.sobol.analyze(problem, Y)

Only the dict's "names" are read (the parameter names, "adult_survival", or
their keys, "adult-survival"); the bounds are SALib's, for its sampler.
"""

import numpy as np
import pandas as pd

from . import _core
from ._arguments import seed_list, thread_count
from ._errors import bad_type, bad_value
from ._parameters import NAMES, answer_index, as_parameters, described
from ._sweep import OUTCOME_COLUMNS, run_points

__all__ = ["points", "evaluate"]


def _answers(problem):
    if not isinstance(problem, dict) or "names" not in problem:
        raise bad_type(f"`problem` must be a dict with \"names\", as SALib's problems are, not {described(problem)}",
                       "problem")
    names = list(problem["names"])
    if not names:
        raise bad_value("the problem names no parameter", "problem")
    indices = [answer_index(name) for name in names]
    if len(set(indices)) != len(indices):
        raise bad_value("the problem names a parameter more than once", "problem")
    return indices


def points(problem, samples, base):
    """The points of a sample: one per row of `samples` (one column per name
    of the problem), the base parameters with the named ones set to the
    row's values as a design sets them (the two whole ones rounded to the
    nearest whole number, halves away from zero). A DataFrame of the ten
    parameters, as a sweep's points."""
    indices = _answers(problem)
    try:
        array = np.asarray(samples, dtype=float)
    except (TypeError, ValueError):
        raise bad_type(f"`samples` must be an array of numbers, not {described(samples)}", "samples") from None
    if array.ndim == 1 and len(indices) == 1:
        array = array.reshape(-1, 1)
    return pd.DataFrame(_core.sample_points(dict(as_parameters(base, "base")), indices, array))


def evaluate(problem, samples, base, seeds="0-999", outcome="extinct_fraction", client=None, threads=None):
    """Runs every point of a sample (see :func:`points`) over the streams of
    every seed and gives its outcomes at the last generation: an array with
    one value per row of `samples` for one outcome ("extinct_fraction",
    "adults_mean", ...), or one row per sample and one column per outcome for
    a list of them. `client` and `threads` are those of
    :func:`zemrath.run_sweep`."""
    chosen = [outcome] if isinstance(outcome, str) else list(outcome)
    for name in chosen:
        if name not in OUTCOME_COLUMNS:
            hint = _core.closest_name(str(name), list(OUTCOME_COLUMNS))
            raise bad_value(f"unknown outcome: {name!r}" + (f" (did you mean {hint}?)" if hint else ""), "outcome")
    table = points(problem, samples, base)
    if threads is not None:
        thread_count(threads)
    results = run_points(table, seed_list(seeds), threads, client)
    values = np.array([outcomes for _, outcomes in results], dtype=float).reshape(len(results), len(OUTCOME_COLUMNS))
    selected = values[:, [OUTCOME_COLUMNS.index(name) for name in chosen]]
    return selected[:, 0] if isinstance(outcome, str) else selected
