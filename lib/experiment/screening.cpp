#include "zemrath/screening.hpp"

#include <cmath>

#include "base/library_call.hpp"
#include "design_random.hpp"
#include "experiment/outcome_values.hpp"
#include "experiment/unit_rows.hpp"

namespace zemrath {

namespace {

// effects[j][t]: parameter j's elementary effect in trajectory t.
using effect_table = std::vector<std::vector<double>>;

effect_table elementary_effects(const experiment_design& design, const unit_rows& rows, std::span<const double> y) {
    const std::size_t parameters = design.varied.size();
    const double step = morris_step(design.levels);
    effect_table effects(parameters);
    for (std::size_t start = 0; start < rows.size(); start += parameters + 1)
        for (std::size_t m = start; m < start + parameters; ++m)
            for (std::size_t j = 0; j < parameters; ++j) {
                const double moved = rows[m + 1][j] - rows[m][j];
                if (moved != 0) effects[j].push_back((moved > 0 ? 1 : -1) * (y[m + 1] - y[m]) / step);
            }
    return effects;
}

// mu, mu_star and sigma of the effects, and mu_star's percentiles over
// `resamples` bootstrap resamples of the trajectories. Every parameter and
// outcome is resampled over the same trajectories: the generator starts
// from the same seed each time, and the draws are made as they are used,
// so that no resample is kept.
morris_effect summarised(std::size_t parameter, std::size_t outcome, const std::vector<double>& effects, int resamples,
                         std::uint64_t seed) {
    const double r = static_cast<double>(effects.size());
    double sum = 0, absolute = 0;
    for (double e : effects) sum += e, absolute += std::fabs(e);
    const double mu = sum / r;
    double squares = 0;
    for (double e : effects) squares += (e - mu) * (e - mu);
    design_random random{seed};
    std::vector<double> stars;
    for (int b = 0; b < resamples; ++b) {
        double picked = 0;
        for (std::size_t t = 0; t < effects.size(); ++t) picked += std::fabs(effects[next_below(random, effects.size())]);
        stars.push_back(picked / r);
    }
    return {parameter,          outcome, mu, absolute / r, std::sqrt(squares / (r - 1)), percentile_of(stars, 0.025),
            percentile_of(stars, 0.975)};
}

}  // namespace

std::vector<morris_effect> morris_effects(const experiment_design& design, std::span<const point_outcomes> outcomes,
                                          int resamples) {
    return library_call([&] {
        const unit_rows rows = morris_rows(design);
        check_point_count(rows.size(), outcomes.size());
        std::vector<morris_effect> found;
        for (std::size_t k = 0; k < outcome_columns.size(); ++k) {
            const std::vector<double> y = outcome_values(outcomes, k);
            const bool missing = any_missing(y);
            const effect_table effects = elementary_effects(design, rows, y);
            for (std::size_t j = 0; j < design.varied.size(); ++j) {
                if (missing) {
                    found.push_back({j, k, not_a_number, not_a_number, not_a_number, not_a_number, not_a_number,
                                     index_definition::outcome_missing});
                    continue;
                }
                found.push_back(summarised(j, k, effects[j], resamples, design.sample_seed ^ bootstrap_stream));
            }
        }
        return found;
    });
}

}  // namespace zemrath
