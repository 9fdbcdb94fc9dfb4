#include "zemrath/outcomes.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "zemrath/statistics.hpp"

namespace zemrath {

point_outcomes outcomes_of(const ensemble_summary& summary) {
    const generation_summary& last = summary.generations.back();
    point_outcomes outcomes;
    outcomes.extinct_fraction = last.extinct_fraction;
    outcomes.adults_mean = last.adults.mean;
    outcomes.adults_p5 = last.adults.p5;
    outcomes.adults_p50 = last.adults.p50;
    outcomes.adults_p95 = last.adults.p95;

    std::vector<std::int32_t> extinct;
    for (const auto& generation : summary.extinction_generation)
        if (generation) extinct.push_back(*generation);
    std::sort(extinct.begin(), extinct.end());
    outcomes.median_extinction_generation =
        extinct.empty() ? std::numeric_limits<double>::quiet_NaN() : percentile(extinct, 50);

    const auto wrapped = std::count_if(summary.first_wrapped_generation.begin(), summary.first_wrapped_generation.end(),
                                       [](const auto& generation) { return generation.has_value(); });
    outcomes.wrapped_fraction =
        static_cast<double>(wrapped) / static_cast<double>(summary.first_wrapped_generation.size());
    return outcomes;
}

point_outcomes outcomes_at(const generation_summary& generation) {
    point_outcomes outcomes;
    for (const outcome_column& column : outcome_columns) outcomes.*column.field = std::numeric_limits<double>::quiet_NaN();
    outcomes.extinct_fraction = generation.extinct_fraction;
    outcomes.adults_mean = generation.adults.mean;
    outcomes.adults_p5 = generation.adults.p5;
    outcomes.adults_p50 = generation.adults.p50;
    outcomes.adults_p95 = generation.adults.p95;
    return outcomes;
}

bool is_generation_statistic(std::size_t outcome) {
    return outcome < outcome_columns.size() &&
           !std::isnan(outcomes_at(generation_summary{}).*outcome_columns[outcome].field);
}

}  // namespace zemrath
