#include "zemrath/sensitivity.hpp"

#include <algorithm>
#include <cmath>

#include "base/library_call.hpp"
#include "design_random.hpp"
#include "experiment/outcome_values.hpp"

namespace zemrath {

namespace {

double outcome_at(std::span<const point_outcomes> outcomes, std::size_t point, std::size_t outcome) {
    return outcomes[point].*outcome_columns[outcome].field;
}

// The Sobol estimates of one outcome for every parameter from the rows
// given (indices into the N rows of the design): first-order after Saltelli
// (2010), total-order after Jansen, both over the variance of A and B.
struct estimates {
    std::vector<double> first;
    std::vector<double> total;
    bool varies = true;  // whether the outcome varies over the rows, so that they define the indices
};

struct sobol_values {
    std::size_t samples = 0;
    std::vector<double> a, b;
    std::vector<std::vector<double>> ab;  // one column per parameter
};

estimates estimate(const sobol_values& f, std::span<const std::size_t> rows) {
    const double n = static_cast<double>(rows.size());
    double sum = 0;
    for (std::size_t r : rows) sum += f.a[r] + f.b[r];
    const double mean = sum / (2 * n);
    double squares = 0;
    for (std::size_t r : rows) squares += (f.a[r] - mean) * (f.a[r] - mean) + (f.b[r] - mean) * (f.b[r] - mean);
    const double variance = squares / (2 * n);
    estimates e;
    // Rows in which the outcome does not vary define no index: 0 / 0 would
    // give not a number, but a first-order sum that rounding left away from
    // 0 would give an infinity.
    e.varies = variance > 0;
    for (const std::vector<double>& ab : f.ab) {
        double first = 0;
        double total = 0;
        for (std::size_t r : rows) {
            first += f.b[r] * (ab[r] - f.a[r]);
            total += (f.a[r] - ab[r]) * (f.a[r] - ab[r]);
        }
        e.first.push_back(e.varies ? first / n / variance : not_a_number);
        e.total.push_back(e.varies ? total / (2 * n) / variance : not_a_number);
    }
    return e;
}

bool missing_anywhere(const sobol_values& f) {
    const auto missing = [](const std::vector<double>& column) { return zemrath::any_missing(column); };
    return missing(f.a) || missing(f.b) || std::any_of(f.ab.begin(), f.ab.end(), missing);
}

sobol_values values_of(const experiment_design& design, std::span<const point_outcomes> outcomes, std::size_t outcome) {
    sobol_values f;
    f.samples = static_cast<std::size_t>(design.samples);
    const std::size_t n = f.samples;
    for (std::size_t i = 0; i < n; ++i) {
        f.a.push_back(outcome_at(outcomes, i, outcome));
        f.b.push_back(outcome_at(outcomes, n + i, outcome));
    }
    for (std::size_t j = 0; j < design.varied.size(); ++j) {
        std::vector<double>& column = f.ab.emplace_back();
        for (std::size_t i = 0; i < n; ++i) column.push_back(outcome_at(outcomes, (2 + j) * n + i, outcome));
    }
    return f;
}

}  // namespace

std::vector<one_at_a_time_effect> one_at_a_time_effects(const experiment_design& design,
                                                         std::span<const point_outcomes> outcomes) {
    std::vector<std::vector<double>> lists;
    std::size_t points = 1;
    for (const varied_parameter& parameter : design.varied) {
        lists.push_back(parameter_values(parameter));
        points += lists.back().size();
    }
    check_point_count(points, outcomes.size());
    std::vector<one_at_a_time_effect> effects;
    std::size_t first_point = 1;
    for (std::size_t j = 0; j < lists.size(); ++j) {
        const std::vector<double>& values = lists[j];
        const auto low = static_cast<std::size_t>(std::min_element(values.begin(), values.end()) - values.begin());
        const auto high = static_cast<std::size_t>(std::max_element(values.begin(), values.end()) - values.begin());
        for (std::size_t k = 0; k < outcome_columns.size(); ++k)
            effects.push_back({j, k, values[low], values[high], outcome_at(outcomes, 0, k),
                               outcome_at(outcomes, first_point + low, k), outcome_at(outcomes, first_point + high, k)});
        first_point += values.size();
    }
    return effects;
}

std::vector<sobol_index> sobol_indices(const experiment_design& design, std::span<const point_outcomes> outcomes,
                                       int resamples) {
    const auto n = static_cast<std::size_t>(design.samples);
    check_point_count(n * (design.varied.size() + 2), outcomes.size());
    return library_call([&] {
        std::vector<sobol_index> indices;
        std::vector<std::size_t> all_rows(n);
        for (std::size_t i = 0; i < n; ++i) all_rows[i] = i;
        for (std::size_t k = 0; k < outcome_columns.size(); ++k) {
            const sobol_values f = values_of(design, outcomes, k);
            const bool missing = missing_anywhere(f);
            const estimates whole = estimate(f, all_rows);
            const index_definition defined = missing        ? index_definition::outcome_missing
                                             : !whole.varies ? index_definition::outcome_constant
                                                             : index_definition::defined;
            std::vector<std::vector<double>> first(design.varied.size()), total(design.varied.size());
            design_random random{design.sample_seed ^ bootstrap_stream};
            std::vector<std::size_t> rows(n);
            for (int b = 0; b < resamples && defined == index_definition::defined; ++b) {
                for (std::size_t& row : rows) row = next_below(random, n);
                const estimates resampled = estimate(f, rows);
                for (std::size_t j = 0; j < design.varied.size(); ++j) {
                    first[j].push_back(resampled.first[j]);
                    total[j].push_back(resampled.total[j]);
                }
            }
            for (std::size_t j = 0; j < design.varied.size(); ++j) {
                if (defined != index_definition::defined || resamples < 1) {
                    const double value = missing ? not_a_number : whole.first[j];
                    const double value_total = missing ? not_a_number : whole.total[j];
                    indices.push_back(
                        {j, k, value, not_a_number, not_a_number, value_total, not_a_number, not_a_number, defined});
                    continue;
                }
                indices.push_back({j, k, whole.first[j], percentile_of(first[j], 0.025), percentile_of(first[j], 0.975),
                                   whole.total[j], percentile_of(total[j], 0.025), percentile_of(total[j], 0.975),
                                   defined});
            }
        }
        return indices;
    });
}

}  // namespace zemrath
