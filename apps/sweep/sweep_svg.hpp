// The figure of an experiment, chosen by its design: with one varied
// parameter, the adults' percentile band and an outcome against it; with
// two on a grid, a heat map of the outcome; one at a time, a tornado chart
// of the outcome; Sobol and eFAST, the outcome's indices as bars with their
// intervals; Morris, the parameters in the plane of mu_star and sigma; a
// Latin hypercube, the partial rank correlations as bars with their
// p-values (the outcome against the parameter when only one is varied);
// otherwise the outcome against each varied parameter. Axes are
// named as the prompts name the parameters, with their units; the title
// names the outcome and the generation shown.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "sweep/experiment_file.hpp"
#include "zemrath/sweep_analysis.hpp"

namespace zemrath::sweep {

// What the figure shows: an outcome (by default the share of streams
// extinct) at a generation (by default the last of each point).
struct figure_choice {
    std::size_t outcome = 0;                 // index into outcome_columns
    std::optional<std::int32_t> generation;  // none: the last of each point
};

// The analysis is that of the outcomes at the generation chosen.
std::string sweep_svg(const experiment& plan, std::span<const parameter_set> points, const sweep_analysis& analysis,
                      const figure_choice& choice = {});

// sensitivity-by-generation.svg: for each outcome followed over time, one
// panel with each parameter's index (total-order for Sobol and eFAST,
// mu_star for Morris) against the generation; `over_time` holds each
// generation's analysis.
std::string sensitivity_over_time_svg(const experiment& plan, std::span<const parameter_set> points,
                                      std::span<const generation_analysis> over_time);

}  // namespace zemrath::sweep
