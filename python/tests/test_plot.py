"""The figures: what report.svg and sweep.svg show, drawn from the tables."""

import matplotlib

matplotlib.use("Agg")

import numpy as np  # noqa: E402
import pytest  # noqa: E402

import zemrath  # noqa: E402
from conftest import parameters_of  # noqa: E402


def test_an_ensembles_figure_draws_its_summary():
    e = zemrath.run_ensemble(parameters_of("small"), seeds="0-99", threads=2)
    figure = e.plot()
    fan, extinct = figure.axes
    median = fan.lines[0]
    np.testing.assert_array_equal(median.get_xdata(), e.summary["generation"])
    np.testing.assert_array_equal(median.get_ydata(), e.summary["adults_p50"])
    np.testing.assert_array_equal(extinct.lines[0].get_ydata(), e.summary["extinct_fraction"])
    larvae = e.plot(count="larvae").axes[0].lines[0]
    np.testing.assert_array_equal(larvae.get_ydata(), e.summary["larvae_p50"])
    with pytest.raises(zemrath.BadValue, match="count"):
        e.plot(count="fish")


@pytest.mark.parametrize("vary, design, check", [
    ({"adult-survival": {"values": [0.6, 0.3, 0.45]}}, {"kind": "grid"}, "line"),
    ({"carrying-capacity": {"values": [1600, 100]}, "adult-survival": {"values": [0.3, 0.5, 0.6]}},
     {"kind": "grid"}, "heat map"),
    ({"carrying-capacity": {"values": [100, 1600]}, "adult-survival": {"values": [0.3, 0.6]}},
     {"kind": "one-at-a-time"}, "tornado"),
    ({"carrying-capacity": {"from": 100, "to": 1600, "scale": "log"}, "adult-survival": {"from": 0.3, "to": 0.6}},
     {"kind": "sobol", "samples": 4}, "bars"),
    ({"carrying-capacity": {"from": 100, "to": 1600, "scale": "log"}, "adult-survival": {"from": 0.3, "to": 0.6}},
     {"kind": "latin-hypercube", "samples": 5}, "scatter"),
])
def test_a_sweeps_figure_is_chosen_by_its_design(vary, design, check):
    s = zemrath.run_sweep({"parameters": parameters_of("small").replace(generations=10), "seeds": "0-19",
                           "vary": vary, "design": design}, threads=2)
    figure = s.plot()
    axis = figure.axes[0]
    share = s.outcomes["extinct_fraction"].to_numpy()
    if check == "line":
        np.testing.assert_array_equal(axis.lines[0].get_xdata(), [0.3, 0.45, 0.6])
        np.testing.assert_array_equal(axis.lines[0].get_ydata(), share[[1, 2, 0]])
    elif check == "heat map":
        np.testing.assert_array_equal(axis.images[0].get_array(), share.reshape(2, 3))
        assert [t.get_text() for t in axis.get_yticklabels()] == ["1600", "100"]
    elif check == "tornado":
        assert len(axis.patches) == 2
    elif check == "bars":
        assert len(axis.patches) == 4  # first- and total-order of both parameters
    else:
        assert [a.get_xscale() for a in figure.axes[:2]] == ["log", "linear"]
        np.testing.assert_array_equal(axis.collections[0].get_offsets()[:, 1], share)
