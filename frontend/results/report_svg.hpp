// The figure of an ensemble, as a stand-alone SVG document: a fan chart of
// the adults per generation (median, 25th to 75th and 5th to 95th percentile
// bands, a few single streams as thin lines) above the share of streams
// extinct per generation, with the parameter values in a caption.
#pragma once

#include <string>

#include "results/svg_plot.hpp"
#include "zemrath/ensemble.hpp"
#include "zemrath/ensemble_analysis.hpp"
#include "zemrath/parameters.hpp"

namespace zemrath::results {

// The single streams drawn come from the runs, everything else from their
// analysis; answers: the parameters as given (carrying capacity not halved).
std::string report_svg(const ensemble_runs& runs, const ensemble_analysis& analysis,
                       const parameter_set& answers);

// The streams drawn as single lines: up to five, spread evenly over the
// selection from its first to its last (indices into runs.seeds).
std::vector<std::size_t> sample_streams(std::size_t streams);

}  // namespace zemrath::results
