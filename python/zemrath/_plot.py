"""The figures of zemrath-ensemble's report.svg and zemrath-sweep's
sweep.svg, drawn with matplotlib from the tables of an Ensemble or a Sweep
(every number from the library; here only drawing)."""

import numpy as np

from ._errors import bad_value

# The colours of the programs' figures.
BAND_90 = "#c6dbef"
BAND_50 = "#6baed6"
MEDIAN = "#08306b"
EXTINCT = "#b2182b"
COUNTS = ("adults", "larvae", "embryos")


def _axes(ax, rows, columns=1, height=3.2):
    import matplotlib.pyplot as plt

    if ax is not None:
        axes = np.atleast_1d(ax)
        if axes.size != rows * columns:
            raise bad_value(f"`ax` must be {rows * columns} Axes for this figure, not {axes.size}", "ax")
        return axes[0].figure, list(axes.ravel())
    figure, axes = plt.subplots(rows, columns, figsize=(8 if columns == 1 else 4 * columns, height * rows),
                                squeeze=False, constrained_layout=True)
    return figure, list(axes.ravel())


def plot_ensemble(ensemble, count, ax):
    if count not in COUNTS:
        raise bad_value(f"`count` must be one of {', '.join(COUNTS)}, not {count!r}", "count")
    figure, (fan, extinct) = _axes(ax, 2)
    s = ensemble.summary
    g = s["generation"]
    fan.fill_between(g, s[f"{count}_p5"], s[f"{count}_p95"], color=BAND_90, linewidth=0,
                     label="5th to 95th percentile")
    fan.fill_between(g, s[f"{count}_p25"], s[f"{count}_p75"], color=BAND_50, linewidth=0,
                     label="25th to 75th percentile")
    fan.plot(g, s[f"{count}_p50"], color=MEDIAN, linewidth=2.5, label="median")
    streams = len(ensemble.seeds)
    fan.set(title=f"{count} over {streams} stream{'s' if streams != 1 else ''}", xlabel="generation", ylabel=count)
    fan.legend(loc="upper right", frameon=False, fontsize="small")
    extinct.fill_between(g, 0, s["extinct_fraction"], color=EXTINCT, alpha=0.15, linewidth=0)
    extinct.plot(g, s["extinct_fraction"], color=EXTINCT, linewidth=2)
    extinct.set(title="streams extinct", xlabel="generation", ylabel="extinct fraction", ylim=(0, 1))
    return figure


def _parameter_values(sweep, j):
    name = sweep.varied[j].replace("-", "_")
    return sweep.points[name].to_numpy(dtype=float)


def _parameter_axis(axis, sweep, j):
    axis.set_xlabel(sweep.varied[j])
    if sweep.log_scaled[j]:
        axis.set_xscale("log")


def _one_parameter(sweep, ax):
    figure, (share, adults) = _axes(ax, 2)
    x = _parameter_values(sweep, 0)
    order = np.argsort(x, kind="stable")
    o = sweep.outcomes.iloc[order]
    share.plot(x[order], o["extinct_fraction"], color=EXTINCT, marker="o", linewidth=2)
    share.set(ylabel="extinct fraction", ylim=(0, 1), title="streams extinct at the last generation")
    adults.fill_between(x[order], o["adults_p5"], o["adults_p95"], color=BAND_90, linewidth=0,
                        label="5th to 95th percentile")
    adults.plot(x[order], o["adults_p50"], color=MEDIAN, marker="o", linewidth=2, label="median")
    adults.set(ylabel="adults", title="adults at the last generation")
    adults.legend(frameon=False, fontsize="small")
    for axis in (share, adults):
        _parameter_axis(axis, sweep, 0)
    return figure


def _heat_map(sweep, ax):
    figure, (axis,) = _axes(ax, 1, height=5)
    # On a grid the first parameter varies slowest: a row per value of it.
    count = sweep._value_counts[1]
    rows = _parameter_values(sweep, 0)[::count]
    columns = _parameter_values(sweep, 1)[:count]
    share = sweep.outcomes["extinct_fraction"].to_numpy().reshape(len(rows), count)
    image = axis.imshow(share, origin="lower", cmap="Reds", vmin=0, vmax=1, aspect="auto")
    axis.set_yticks(range(len(rows)), [f"{v:g}" for v in rows])
    axis.set_xticks(range(len(columns)), [f"{v:g}" for v in columns])
    axis.set(ylabel=sweep.varied[0], xlabel=sweep.varied[1], title="streams extinct at the last generation")
    figure.colorbar(image, ax=axis, label="extinct fraction")
    return figure


def _tornado(sweep, ax):
    figure, (axis,) = _axes(ax, 1, height=1 + 0.6 * len(sweep.varied))
    effects = sweep.sensitivity[sweep.sensitivity["outcome"] == "extinct_fraction"].reset_index(drop=True)
    for k, effect in effects.iterrows():
        low, high = sorted((effect["at_low"], effect["at_high"]))
        axis.barh(k, high - low, left=low, color=BAND_50, height=0.6)
        axis.text(effect["at_low"], k, f"{effect['low_value']:g}", ha="right", va="center", fontsize="small")
        axis.text(effect["at_high"], k, f"{effect['high_value']:g}", ha="left", va="center", fontsize="small")
    if len(effects):
        axis.axvline(effects["at_base"].iloc[0], color=MEDIAN, linewidth=1.5)
    axis.set_yticks(range(len(effects)), effects["parameter"])
    axis.set(xlabel="extinct fraction at the last generation", xlim=(0, 1),
             title="one at a time: the extinct share at each parameter's lowest and highest value")
    return figure


def _sobol(sweep, ax):
    figure, (axis,) = _axes(ax, 1, height=4)
    indices = sweep.sensitivity[sweep.sensitivity["outcome"] == "extinct_fraction"].reset_index(drop=True)
    k = np.arange(len(indices))
    for offset, order, colour in ((-0.2, "first_order", BAND_50), (0.2, "total_order", MEDIAN)):
        value = indices[order].to_numpy()
        errors = np.abs(np.vstack([value - indices[f"{order}_low"], indices[f"{order}_high"] - value]))
        axis.bar(k + offset, value, width=0.4, color=colour, yerr=errors, capsize=3,
                 label=order.replace("_", "-"))
    axis.set_xticks(k, indices["parameter"])
    axis.set(ylabel="index of the extinct fraction", title="Sobol indices with their 95% bootstrap intervals")
    axis.legend(frameon=False, fontsize="small")
    return figure


def _scatter(sweep, ax):
    figure, axes = _axes(ax, 1, len(sweep.varied))
    for j, axis in enumerate(axes):
        axis.scatter(_parameter_values(sweep, j), sweep.outcomes["extinct_fraction"], color=EXTINCT, s=12)
        _parameter_axis(axis, sweep, j)
        axis.set(ylim=(0, 1), ylabel="extinct fraction" if j == 0 else None)
    figure.suptitle("streams extinct at the last generation")
    return figure


def plot_sweep(sweep, ax):
    if sweep.design == "one-at-a-time":
        return _tornado(sweep, ax)
    if sweep.design == "sobol":
        return _sobol(sweep, ax)
    if len(sweep.varied) == 1:
        return _one_parameter(sweep, ax)
    if sweep.design == "grid" and len(sweep.varied) == 2:
        return _heat_map(sweep, ax)
    return _scatter(sweep, ax)
