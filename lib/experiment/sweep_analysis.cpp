#include "zemrath/sweep_analysis.hpp"

#include <cmath>

#include "base/library_call.hpp"
#include "experiment/outcome_values.hpp"

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

bool has_sensitivity(design_kind kind) { return kind != design_kind::grid; }

sweep_analysis analyse_sweep(const experiment_design& design, std::vector<point_outcomes> outcomes,
                             std::span<const generation_summary> last_generations) {
    return library_call([&] {
        sweep_analysis analysis;
        analysis.outcomes = std::move(outcomes);
        for (std::size_t j = 0; j < outcome_columns.size(); ++j)
            analysis.extremes[j] = extremes_of(analysis.outcomes, outcome_columns[j].field);
        if (design.kind == design_kind::one_at_a_time)
            analysis.effects = one_at_a_time_effects(design, analysis.outcomes);
        if (design.kind == design_kind::sobol) analysis.indices = sobol_indices(design, analysis.outcomes);
        if (design.kind == design_kind::efast) analysis.indices = efast_indices(design, analysis.outcomes);
        if (design.kind == design_kind::morris) analysis.screening = morris_effects(design, analysis.outcomes);
        if (design.kind == design_kind::latin_hypercube)
            analysis.correlations = partial_rank_correlations(design, analysis.outcomes);
        if (!last_generations.empty()) {
            check_point_count(analysis.outcomes.size(), last_generations.size());
            analysis.variance = variance_shares(last_generations);
        }
        return analysis;
    });
}

}  // namespace zemrath
