// What an experiment's points say together, computed once from their
// outcomes: where each outcome is lowest and highest, and the sensitivity of
// the outcomes to the varied parameters for the designs that measure it.
// The sweep tool's files, figure and printed lines and the R package's
// tables all show this one analysis (beside the design's points, which
// design_points gives).
#pragma once

#include <array>
#include <cstddef>
#include <vector>

#include <span>

#include "zemrath/design.hpp"
#include "zemrath/ensemble_summary.hpp"
#include "zemrath/outcomes.hpp"
#include "zemrath/rank_correlation.hpp"
#include "zemrath/screening.hpp"
#include "zemrath/sensitivity.hpp"
#include "zemrath/variance_share.hpp"

namespace zemrath {

// The points at which an outcome is lowest and highest (the first such
// point). Missing values (not a number) take no part.
struct outcome_extremes {
    std::size_t lowest = 0;
    std::size_t highest = 0;
    bool any = false;  // false when the outcome is missing at every point
};

struct sweep_analysis {
    std::vector<point_outcomes> outcomes;  // one per point of the design, in design order
    std::array<outcome_extremes, outcome_columns.size()> extremes;  // in the order of outcome_columns
    std::vector<one_at_a_time_effect> effects;  // one-at-a-time designs only
    std::vector<sobol_index> indices;           // Sobol and eFAST designs only
    std::vector<morris_effect> screening;       // Morris designs only
    std::vector<partial_rank_correlation> correlations;  // Latin hypercube designs only
    std::vector<variance_share> variance;       // when the points' last generations are given
};

// Whether the design's kind measures sensitivity (every kind but the grid).
bool has_sensitivity(design_kind kind);

// The analysis of the outcomes of the design's points, one per point in
// design order (bad_value when a sensitivity measure finds another count),
// and, given each point's summary of its last generation (one per point
// too), the streams' share of the variance.
sweep_analysis analyse_sweep(const experiment_design& design, std::vector<point_outcomes> outcomes,
                             std::span<const generation_summary> last_generations = {});

// Whether the design's indices are followed generation by generation
// (Sobol, Morris, eFAST).
bool follows_generations(design_kind kind);

// The outcomes whose indices are followed: those that every generation's
// summary gives that are a share of streams or a mean over them
// (extinct_fraction, adults_mean), in column order.
std::vector<std::size_t> outcomes_over_time();

// The indices (indices or screening) of the outcomes over time at one
// generation, from every point's outcomes at it (outcomes_at; missing at a
// point that did not run so many), the other outcomes taken as missing. At
// the last generation that every point runs they are those of
// analyse_sweep for the same outcomes.
sweep_analysis analyse_generation(const experiment_design& design, std::vector<point_outcomes> outcomes);

// A generation's outcomes over time, in the order of outcomes_over_time.
std::vector<double> values_over_time(const generation_summary& generation);

// One point's values_over_time at every generation it ran, from 0.
using point_over_time = std::vector<std::vector<double>>;

struct generation_analysis {
    std::int32_t generation = 0;
    sweep_analysis analysis;  // that of analyse_generation, without the outcomes
};

// analyse_generation at every generation from 0 to the last that a point
// ran, from every point's values over time (one per point of the design);
// none for a design not followed over time.
std::vector<generation_analysis> analyse_generations(const experiment_design& design,
                                                     std::span<const point_over_time> points);

}  // namespace zemrath
