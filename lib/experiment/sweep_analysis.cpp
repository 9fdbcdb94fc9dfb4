#include "zemrath/sweep_analysis.hpp"

#include <cmath>

#include "base/library_call.hpp"

namespace zemrath {

namespace {

outcome_extremes extremes_of(std::span<const point_outcomes> outcomes, double point_outcomes::*field) {
    outcome_extremes found;
    for (std::size_t point = 0; point < outcomes.size(); ++point) {
        const double value = outcomes[point].*field;
        if (std::isnan(value)) continue;
        if (!found.any || value < outcomes[found.lowest].*field) found.lowest = point;
        if (!found.any || value > outcomes[found.highest].*field) found.highest = point;
        found.any = true;
    }
    return found;
}

}  // namespace

bool has_sensitivity(design_kind kind) { return kind == design_kind::one_at_a_time || kind == design_kind::sobol; }

sweep_analysis analyse_sweep(const experiment_design& design, std::vector<point_outcomes> outcomes) {
    return library_call([&] {
        sweep_analysis analysis;
        analysis.outcomes = std::move(outcomes);
        for (std::size_t j = 0; j < outcome_columns.size(); ++j)
            analysis.extremes[j] = extremes_of(analysis.outcomes, outcome_columns[j].field);
        if (design.kind == design_kind::one_at_a_time)
            analysis.effects = one_at_a_time_effects(design, analysis.outcomes);
        if (design.kind == design_kind::sobol) analysis.indices = sobol_indices(design, analysis.outcomes);
        return analysis;
    });
}

}  // namespace zemrath
