#include "zemrath/parameters.hpp"

#include <cmath>

#include "base/library_call.hpp"

namespace zemrath {

model_parameters derive_model_parameters(const parameter_set& answers) {
    return library_call([&] {
        model_parameters parameters;
        parameters.embryo_larval_survival = answers.embryo_larval_survival;
        parameters.max_juvenile_survival = answers.max_juvenile_survival;
        parameters.adult_survival = answers.adult_survival;
        parameters.half_carrying_capacity = answers.carrying_capacity / 2;
        parameters.weight_increase_rate = answers.weight_increase_rate;
        parameters.growth_inhibition = answers.growth_inhibition;
        parameters.weight_at_one_year = answers.weight_at_one_year;
        parameters.max_reproduction_age = answers.max_reproduction_age;
        parameters.fecundity_rate = answers.fecundity_rate;
        parameters.generations = answers.generations;
        // Divided with a 64-bit significand, then rounded to double.
        parameters.competition_coefficient = static_cast<double>(
            static_cast<long double>(parameters.max_juvenile_survival) / parameters.half_carrying_capacity);
        return parameters;
    });
}

std::size_t rows_per_stream(const model_parameters& parameters) {
    return parameters.generations > 0 ? static_cast<std::size_t>(parameters.generations) + 1 : 1;
}

std::size_t answer_index(std::string_view name) {
    std::size_t i = 0;
    while (i < answer_fields.size() && answer_fields[i].name != name) ++i;
    return i;
}

std::size_t answer_key_index(std::string_view key) {
    std::size_t i = 0;
    while (i < answer_fields.size() && answer_fields[i].key != key) ++i;
    return i;
}

double answer_value(const parameter_set& answers, std::size_t answer) {
    const answer_field& field = answer_fields.at(answer);
    return field.real != nullptr ? answers.*field.real : static_cast<double>(answers.*field.integer);
}

void set_answer_value(parameter_set& answers, std::size_t answer, double value) {
    const answer_field& field = answer_fields.at(answer);
    if (field.real != nullptr)
        answers.*field.real = value;
    else
        answers.*field.integer = static_cast<std::int32_t>(std::round(value));
}

bool is_sensible(const answer_field& field, double value) {
    const sensible_range& r = field.sensible;
    const bool above_low = r.low_included ? value >= r.low : value > r.low;
    const bool below_high = r.high_included ? value <= r.high : value < r.high;
    return std::isfinite(value) && above_low && below_high;
}

}  // namespace zemrath
