// The figure of an experiment, chosen by its design: with one varied
// parameter, the extinct share and the adults' percentile band against it;
// with two on a grid, a heat map of the extinct share; one at a time, a
// tornado chart of the extinct share; Sobol, the indices as bars with their
// intervals; otherwise the extinct share against each varied parameter.
#pragma once

#include <span>
#include <string>

#include "sweep/experiment_file.hpp"
#include "zemrath/sweep_analysis.hpp"

namespace zemrath::sweep {

std::string sweep_svg(const experiment& plan, std::span<const parameter_set> points, const sweep_analysis& analysis);

}  // namespace zemrath::sweep
