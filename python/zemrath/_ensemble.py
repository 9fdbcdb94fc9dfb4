"""One stream, and every stream of a parameter set at once."""

import pandas as pd

from . import _core
from ._arguments import seed_for_stream, seed_list, thread_count
from ._errors import bad_value
from ._parameters import as_parameters


def run_stream(parameters, seed, threads=None):
    """The rows of one stream: those of the results file ``output.txt`` that
    the console program writes when seeded with that millisecond
    (``ZEMRATH_SEED=seed zemrath`` with the same answers), row for row: row 0
    holds the 20 first recruits, then one row per generation.

    Counts are 32-bit integers that wrap around, as the program's do.
    Ctrl-C stops a long stream between two generations (KeyboardInterrupt).

    Args:
        parameters: a :class:`Parameters` (or a mapping of the ten names).
        seed: the stream, a whole number from 0 to 999.
        threads: threads the long counts of a large population may use, 1 to
            1024; None for every core this process may run on. The rows never
            depend on it.

    Returns:
        A DataFrame with int32 columns generation, embryos, larvae, adults.
    """
    values = dict(as_parameters(parameters))
    return pd.DataFrame(_core.run_stream(values, seed_for_stream(seed), thread_count(threads)))


class Ensemble:
    """Every stream asked for of one parameter set, and what they say
    together, as ``zemrath-ensemble`` writes and prints it.

    Attributes:
        parameters: the :class:`Parameters` run.
        seeds: the streams run, ascending (a list of int).
        summary: a DataFrame, one row per generation, with the columns of
            ``summary.csv``: generation, then for embryos, larvae and adults
            the mean, standard deviation (over the streams, dividing by their
            number), minimum, 5th, 25th, 50th, 75th and 95th percentile and
            maximum (``adults_mean``, ``adults_sd``, ``adults_min``,
            ``adults_p5``, ... ``adults_max``), then extinct_fraction and
            wrapped_fraction.
        runs: a DataFrame of every stream's rows (the columns of
            ``runs.csv``: seed, generation, embryos, larvae, adults), seeds
            ascending; None when run with ``runs=False``.
        outcomes: a Series of the outcomes at the last generation, named as
            the columns of a sweep's outcomes (extinct_fraction, adults_mean,
            ...); NaN where one is missing (the median generation of
            extinction when no stream died out).
        extinct_streams, wrapped_streams: streams without adults at the last
            generation, and streams whose counts wrapped.
        first_wrapped_generation: the earliest generation in which any
            stream's counts wrapped, or None.
        text: the lines ``zemrath-ensemble`` prints, which ``str()`` gives.
    """

    def __init__(self, parameters, seeds, tables):
        self.parameters = parameters
        self.seeds = seeds
        self.summary = pd.DataFrame(tables["summary"])
        self.runs = pd.DataFrame(tables["runs"]) if tables["runs"] is not None else None
        self.outcomes = pd.Series(tables["outcomes"], dtype=float, name="outcome")
        self.extinct_streams = tables["extinct_streams"]
        self.wrapped_streams = tables["wrapped_streams"]
        self.first_wrapped_generation = tables["first_wrapped_generation"]
        self.text = tables["text"]

    def __str__(self):
        return self.text.rstrip("\n")

    def __repr__(self):
        runs = f"runs ({len(self.runs)} rows)" if self.runs is not None else "no runs"
        return (f"<zemrath.Ensemble: {len(self.seeds)} streams (seeds {_core.format_seeds(self.seeds)}), "
                f"generations 0 to {int(self.summary['generation'].iloc[-1])}, {runs}>")

    def to_xarray(self):
        """Every stream's rows as an xarray Dataset: embryos, larvae and adults
        (int32) over the dimensions stream x generation, with the coordinates
        seed (along stream) and generation, and the parameters as
        attributes. Needs the runs (``runs=True``)."""
        import xarray as xr

        if self.runs is None:
            raise bad_value("this ensemble was run with runs=False: it keeps no rows of its streams", "runs")
        streams = len(self.seeds)
        generations = self.summary["generation"].to_numpy()
        shape = (streams, len(generations))
        counts = {name: (("stream", "generation"), self.runs[name].to_numpy().reshape(shape))
                  for name in ("embryos", "larvae", "adults")}
        return xr.Dataset(counts, coords={"seed": ("stream", list(self.seeds)), "generation": generations},
                          attrs={**dict(self.parameters), "seeds": _core.format_seeds(self.seeds)})

    def plot(self, count="adults", ax=None):
        """The figure of ``report.svg`` with matplotlib: a fan chart of a count
        (median, 25th to 75th and 5th to 95th percentile bands) above the
        share of streams extinct per generation. ``count`` is "adults",
        "larvae" or "embryos"; ``ax``, two Axes to draw on. Returns the
        Figure."""
        from ._plot import plot_ensemble

        return plot_ensemble(self, count, ax)


def run_ensemble(parameters, seeds="0-999", threads=None, runs=True):
    """Every stream of a parameter set, on several threads, and what they say
    together: what ``zemrath-ensemble`` does, with the same numbers.

    Ctrl-C stops a long call (KeyboardInterrupt): no stream starts after it,
    and those under way stop at their next generation; the next call runs as
    usual.

    Args:
        parameters: a :class:`Parameters` (or a mapping of the ten names).
        seeds: the streams, a list such as "0-99,500" (as ``--seeds``) or whole
            numbers from 0 to 999, taken as a set; all 1000 by default.
        threads: streams run at once, 1 to 1024; None for every core this
            process may run on. The results never depend on it.
        runs: whether to keep every stream's rows (``.runs``, ``to_xarray()``).

    Returns:
        An :class:`Ensemble`.
    """
    checked = as_parameters(parameters)
    chosen = seed_list(seeds)
    if not isinstance(runs, bool):
        raise bad_value(f"`runs` must be True or False, not {runs!r}", "runs")
    tables = _core.run_ensemble(dict(checked), chosen, thread_count(threads), runs)
    return Ensemble(checked, chosen, tables)
