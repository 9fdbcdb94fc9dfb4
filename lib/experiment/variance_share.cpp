#include "zemrath/variance_share.hpp"

#include <string_view>

#include "base/library_call.hpp"
#include "experiment/outcome_values.hpp"
#include "zemrath/outcomes.hpp"

namespace zemrath {

namespace {

bool is_share_of_streams(std::size_t outcome) {
    return is_generation_statistic(outcome) && std::string_view(outcome_columns[outcome].name).ends_with("_fraction");
}

bool is_adults(std::size_t outcome) { return outcome_columns[outcome].field == &point_outcomes::adults_mean; }

struct spread_over_streams {
    double mean = 0;
    double variance = 0;
};

// A share p of streams counting 1 and the rest 0 has the variance p (1 - p).
spread_over_streams of_point(const generation_summary& generation, std::size_t outcome) {
    if (is_adults(outcome)) return {generation.adults.mean, generation.adults.standard_deviation * generation.adults.standard_deviation};
    const double p = outcomes_at(generation).*outcome_columns[outcome].field;
    return {p, p * (1 - p)};
}

variance_share split(std::span<const generation_summary> points, std::size_t outcome) {
    const double n = static_cast<double>(points.size());
    double mean_sum = 0, variance_sum = 0;
    for (const generation_summary& g : points) {
        const spread_over_streams s = of_point(g, outcome);
        mean_sum += s.mean;
        variance_sum += s.variance;
    }
    const double grand_mean = mean_sum / n;
    double between = 0;
    for (const generation_summary& g : points) {
        const double d = of_point(g, outcome).mean - grand_mean;
        between += d * d;
    }
    between /= n;
    const double within = variance_sum / n;
    const double total = between + within;
    if (!(total > 0)) return {outcome, total, not_a_number, not_a_number};
    return {outcome, total, between / total, within / total};
}

}  // namespace

std::vector<std::size_t> outcomes_per_stream() {
    std::vector<std::size_t> found;
    for (std::size_t k = 0; k < outcome_columns.size(); ++k)
        if (is_adults(k) || is_share_of_streams(k)) found.push_back(k);
    return found;
}

std::vector<variance_share> variance_shares(std::span<const generation_summary> last_generations) {
    if (last_generations.empty()) throw error(error_code::bad_value, "a variance share needs at least one point");
    return library_call([&] {
        std::vector<variance_share> shares;
        for (std::size_t k : outcomes_per_stream()) shares.push_back(split(last_generations, k));
        return shares;
    });
}

}  // namespace zemrath
