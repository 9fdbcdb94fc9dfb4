"""Experiments: many parameter sets, every stream of each, here or on the
workers of a Dask cluster."""

import os
from collections.abc import Mapping

import numpy as np
import pandas as pd

from . import _core
from ._arguments import thread_count
from ._errors import bad_type
from ._parameters import NAMES, Parameters, described

OUTCOME_COLUMNS = tuple(_core.outcome_columns())
SUMMARY_STATISTICS = tuple(_core.summary_columns())[1:]  # after the generation


def point_result(values, seeds, threads):
    """What one point comes to over the streams of every seed: its summary
    (columns) and its outcomes (in the order of OUTCOME_COLUMNS). Runs where
    it is called: here, or on a Dask worker."""
    tables = _core.run_ensemble(values, seeds, thread_count(threads), False)
    return tables["summary"], np.array([tables["outcomes"][name] for name in OUTCOME_COLUMNS], dtype=float)


def point_values(points):
    """Each point's ten answers, as plain numbers, in design order."""
    columns = [points[name].tolist() for name in NAMES]
    return [dict(zip(NAMES, row)) for row in zip(*columns)]


def run_points(points, seeds, threads, client):
    """The results of every point (a DataFrame of the ten answers): one after
    another here, or mapped over the client's workers, in design order. Here,
    threads=None gives each point every core; on a client, one thread (the
    workers' own threads run points side by side)."""
    values = point_values(points)
    if client is None:
        return [point_result(point, seeds, threads) for point in values]
    futures = client.map(point_result, values, seeds=seeds, threads=1 if threads is None else threads, pure=False)
    try:
        return client.gather(futures)
    except BaseException:
        client.cancel(futures)
        raise


def experiment_of(experiment):
    """The experiment read by the experiment file's reader: from a TOML file's
    path, or from a mapping with the same keys (a Parameters object may stand
    for the table "parameters")."""
    if isinstance(experiment, (str, os.PathLike)):
        return _core.Experiment.from_file(os.fsdecode(experiment))
    if isinstance(experiment, Mapping):
        given = dict(experiment)
        if isinstance(given.get("parameters"), Parameters):
            fields = {field["name"]: field["key"] for field in _core.answer_fields()}
            given["parameters"] = {fields[name]: value for name, value in given["parameters"].items()}
        return _core.Experiment.from_mapping(given)
    raise bad_type(f"`experiment` must be an experiment file's path or a dict of its keys, not {described(experiment)}",
                   "experiment")


class Sweep:
    """The results of an experiment, as ``zemrath-sweep`` writes them.

    Attributes:
        points: a DataFrame: point (numbered from 0 in design order), then the
            ten parameters as used (the columns of ``points.csv``).
        summary: a DataFrame: point, then the columns of an ensemble's
            summary, for every generation of every point (``summary.csv``).
        outcomes: a DataFrame: point, the varied parameters (as in points),
            then at the last generation each outcome
            (``outcomes.csv``: extinct_fraction, adults_mean, adults_p5,
            adults_p50, adults_p95, median_extinction_generation, which is
            NaN where no stream died out, and wrapped_fraction).
        sensitivity: for one-at-a-time designs each parameter's lowest and
            highest value and each outcome there and at base; for Sobol
            designs the first- and total-order indices with their 95%
            bootstrap intervals; for eFAST designs the same indices over
            their phases; for Morris designs mu, mu_star, sigma and mu_star's
            interval; for Latin hypercubes the partial rank correlations
            and their p-values (``sensitivity.csv``); None for grids.
        sensitivity_by_generation: for Sobol, Morris and eFAST designs a
            DataFrame: generation, then the columns of sensitivity at every
            generation, for extinct_fraction and adults_mean
            (``sensitivity-by-generation.csv``); None for the others.
        variance_share: a DataFrame: for each outcome per stream its
            variance over every point and stream and the shares of the
            points and of the streams (``variance-share.csv``).
        design: the design's kind ("grid", "one-at-a-time", ...).
        varied: the varied parameters, by their keys, in order.
        log_scaled: for each varied parameter, whether its range is on a log
            scale.
        seeds: the streams of every point.
        text: the lines ``zemrath-sweep`` prints (but where it wrote its
            files), which ``str()`` gives.
    """

    def __init__(self, plan, points, results):
        numbers = points.index.to_numpy()
        self.design = plan.kind
        self.varied = list(plan.varied)
        self.log_scaled = list(plan.log_scaled)
        self._value_counts = list(plan.value_counts)
        self.seeds = list(plan.seeds)
        self.points = pd.concat([pd.DataFrame({"point": numbers}), points.reset_index(drop=True)], axis=1)
        summaries = [pd.DataFrame(summary) for summary, _ in results]
        self.summary = pd.concat(
            [frame.assign(point=number)[["point", *frame.columns]] for number, frame in zip(numbers, summaries)],
            ignore_index=True)
        values = np.array([outcomes for _, outcomes in results], dtype=float).reshape(len(results), len(OUTCOME_COLUMNS))
        # Each point's varied parameters beside its outcomes, as outcomes.csv has them.
        self.outcomes = pd.concat([self.points[["point", *plan.varied_columns]],
                                   pd.DataFrame(values, columns=OUTCOME_COLUMNS)], axis=1)
        analysis = plan.analyse(values, [frame[list(SUMMARY_STATISTICS)].to_numpy(dtype=float) for frame in summaries])
        sensitivity = analysis["sensitivity"]
        self.sensitivity = pd.DataFrame(sensitivity) if sensitivity is not None else None
        self.variance_share = pd.DataFrame(analysis["variance_share"])
        by_generation = analysis["sensitivity_by_generation"]
        self.sensitivity_by_generation = pd.DataFrame(by_generation) if by_generation is not None else None
        self.text = analysis["text"]

    def __str__(self):
        return self.text.rstrip("\n")

    def __repr__(self):
        tables = "points, summary, outcomes" + (", sensitivity" if self.sensitivity is not None else "")
        return (f"<zemrath.Sweep: {len(self.points)} points ({self.design} over {', '.join(self.varied)}), "
                f"seeds {_core.format_seeds(self.seeds)}; {tables}>")

    def plot(self, ax=None):
        """The figure of ``sweep.svg`` with matplotlib, chosen by the design:
        with one varied parameter, the extinct share and the adults'
        percentile band against it; two on a grid, a heat map of the extinct
        share; one at a time, a tornado chart of the extinct share; Sobol,
        the indices with their intervals; otherwise the extinct share
        against each varied parameter. Returns the Figure."""
        from ._plot import plot_sweep

        return plot_sweep(self, ax)


def run_sweep(experiment, client=None, threads=None):
    """Runs an experiment: the points of its design, each over the streams of
    every seed as :func:`run_ensemble` runs them, with the outcomes of each
    point and, for the designs that have them, sensitivity indices. The
    experiment is read by the same reader as ``zemrath-sweep`` reads it, and
    the designs, points, outcomes and indices come from the same code, so it
    gives the same tables as that tool's files.

    Args:
        experiment: an experiment file's path (TOML; its answers file is
            relative to it), or a dict with the same keys: "answers" (a path,
            relative to the working directory), "seeds", "parameters" (a
            dict by key, "carrying-capacity", or a Parameters object),
            "vary" and "design". A mistake is a BadValue naming the key
            (``error.subject``).
        client: a ``dask.distributed.Client``: the points are mapped over its
            workers, with the same results as here. None runs them here, one
            after another; Ctrl-C then stops the point under way.
        threads: threads of each point, 1 to 1024; None for every core here,
            or one per point on a client's workers.

    Returns:
        A :class:`Sweep`.
    """
    plan = experiment_of(experiment)
    points = pd.DataFrame(plan.points())
    seeds = list(plan.seeds)
    if threads is not None:
        thread_count(threads)
    return Sweep(plan, points, run_points(points, seeds, threads, client))
