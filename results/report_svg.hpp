// The figure of an ensemble, as a stand-alone SVG document: a fan chart of
// the adults per generation (median, 25th to 75th and 5th to 95th percentile
// bands, a few single streams as thin lines) above the share of streams
// extinct per generation, with the parameter values in a caption.
#pragma once

#include <string>

#include "zemrath/ensemble.hpp"
#include "zemrath/ensemble_summary.hpp"
#include "zemrath/parameters.hpp"

namespace zemrath::results {

// answers: the parameters as given (carrying capacity not halved).
std::string report_svg(const ensemble_runs& runs, const ensemble_summary& summary,
                       const parameter_set& answers);

// The streams drawn as single lines: up to five, spread evenly over the
// selection from its first to its last (indices into runs.seeds).
std::vector<std::size_t> sample_streams(std::size_t streams);

// An axis of round numbers: 0 or below, up to at least `high`, in steps of
// 1, 2 or 5 times a power of ten (at least min_step), about `ticks` steps.
struct axis_ticks {
    double low = 0;
    double high = 0;
    double step = 0;
};
axis_ticks round_axis(double low, double high, int ticks, double min_step);

// A tick label: whole numbers as they are up to 9999, then with k, M or G
// ("12k", "1.5M"); fractions with up to two decimals.
std::string tick_label(double value);

}  // namespace zemrath::results
