#include "zemrath/sweep_analysis.hpp"

#include <algorithm>
#include <cmath>
#include <string_view>

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

bool follows_generations(design_kind kind) {
    return kind == design_kind::sobol || kind == design_kind::morris || kind == design_kind::efast;
}

std::vector<std::size_t> outcomes_over_time() {
    std::vector<std::size_t> found;
    for (std::size_t k = 0; k < outcome_columns.size(); ++k) {
        const std::string_view name = outcome_columns[k].name;
        if (is_generation_statistic(k) && (name.ends_with("_fraction") || name.ends_with("_mean"))) found.push_back(k);
    }
    return found;
}

sweep_analysis analyse_generation(const experiment_design& design, std::vector<point_outcomes> outcomes) {
    if (!follows_generations(design.kind)) return {};
    const std::vector<std::size_t> followed = outcomes_over_time();
    // A missing outcome costs no resampling, so the others are made so.
    for (point_outcomes& o : outcomes)
        for (std::size_t k = 0; k < outcome_columns.size(); ++k)
            if (std::find(followed.begin(), followed.end(), k) == followed.end()) o.*outcome_columns[k].field = not_a_number;
    return analyse_sweep(design, std::move(outcomes));
}

std::vector<double> values_over_time(const generation_summary& generation) {
    const point_outcomes o = outcomes_at(generation);
    std::vector<double> values;
    for (std::size_t k : outcomes_over_time()) values.push_back(o.*outcome_columns[k].field);
    return values;
}

std::vector<generation_analysis> analyse_generations(const experiment_design& design,
                                                     std::span<const point_over_time> points) {
    if (!follows_generations(design.kind)) return {};
    const std::vector<std::size_t> followed = outcomes_over_time();
    std::size_t generations = 0;
    for (const point_over_time& p : points) generations = std::max(generations, p.size());
    std::vector<generation_analysis> found;
    for (std::size_t g = 0; g < generations; ++g) {
        std::vector<point_outcomes> outcomes(points.size());
        for (std::size_t p = 0; p < points.size(); ++p)
            for (std::size_t i = 0; i < followed.size(); ++i)
                outcomes[p].*outcome_columns[followed[i]].field =
                    g < points[p].size() && i < points[p][g].size() ? points[p][g][i] : not_a_number;
        sweep_analysis analysis = analyse_generation(design, std::move(outcomes));
        analysis.outcomes.clear();
        found.push_back({static_cast<std::int32_t>(g), std::move(analysis)});
    }
    return found;
}

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
