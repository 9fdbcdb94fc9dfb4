#include "experiment/outcome_values.hpp"

#include <algorithm>
#include <cmath>
#include <string>

#include "zemrath/error.hpp"

namespace zemrath {

std::vector<double> outcome_values(std::span<const point_outcomes> outcomes, std::size_t outcome) {
    std::vector<double> values;
    values.reserve(outcomes.size());
    for (const point_outcomes& o : outcomes) values.push_back(o.*outcome_columns[outcome].field);
    return values;
}

bool any_missing(std::span<const double> values) {
    return std::any_of(values.begin(), values.end(), [](double v) { return std::isnan(v); });
}

double percentile_of(std::vector<double> values, double level) {
    std::erase_if(values, [](double v) { return std::isnan(v); });
    if (values.empty()) return not_a_number;
    std::sort(values.begin(), values.end());
    const double h = (static_cast<double>(values.size()) - 1) * level;
    const auto below = static_cast<std::size_t>(h);
    if (below + 1 >= values.size()) return values.back();
    return values[below] + (h - static_cast<double>(below)) * (values[below + 1] - values[below]);
}

void check_point_count(std::size_t expected, std::size_t given) {
    if (expected != given)
        throw error(error_code::bad_value, "the design has " + std::to_string(expected) + " points, the outcomes " +
                                               std::to_string(given));
}

}  // namespace zemrath
