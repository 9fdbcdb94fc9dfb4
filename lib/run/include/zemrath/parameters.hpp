// The model's parameters: the ten answers as a user gives them, and the
// values the model runs with, derived from them once.
//
// No answer is checked against a range; every one is used as given, and
// probabilities outside 0 to 1, a zero carrying capacity or a growth rate of
// exactly 1 all have a defined outcome.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string_view>

namespace zemrath {

// The ten answers, in the order the console program asks for them, exactly
// as given: the carrying capacity is the whole one.
struct parameter_set {
    double embryo_larval_survival = 0;
    double max_juvenile_survival = 0;
    double adult_survival = 0;
    double carrying_capacity = 0;
    double weight_increase_rate = 0;
    double growth_inhibition = 0;
    double weight_at_one_year = 0;
    std::int32_t max_reproduction_age = 0;
    double fecundity_rate = 0;
    std::int32_t generations = 0;

    friend bool operator==(const parameter_set&, const parameter_set&) = default;
};

// What a run uses: the answers with the carrying capacity halved, and the
// competition coefficient of Eq. (1). Made only by derive_model_parameters.
struct model_parameters {
    double embryo_larval_survival = 0;
    double max_juvenile_survival = 0;
    double adult_survival = 0;
    double half_carrying_capacity = 0;
    double weight_increase_rate = 0;
    double growth_inhibition = 0;
    double weight_at_one_year = 0;
    std::int32_t max_reproduction_age = 0;  // the number of adult age classes
    double fecundity_rate = 0;
    std::int32_t generations = 0;
    double competition_coefficient = 0;  // max_juvenile_survival / half_carrying_capacity
};

// Halves the carrying capacity and works out the competition coefficient, in
// the model's floating-point environment whatever the caller's.
model_parameters derive_model_parameters(const parameter_set& answers);

// The rows of one stream: row 0 and one per generation (none for 0 or fewer).
std::size_t rows_per_stream(const model_parameters& parameters);

// Where a value of a parameter has a meaning: from low to high, each end
// included or not. Every value runs, exactly as the console program runs it;
// the tools made for exploring warn about one outside its meaning.
struct sensible_range {
    double low = -std::numeric_limits<double>::infinity();
    double high = std::numeric_limits<double>::infinity();
    bool low_included = true;
    bool high_included = true;
};

// The span the explorer's slider covers for a parameter, and whether it runs
// on a log scale (for quantities that matter by their order of magnitude).
// The number field beside it takes any value.
struct slider_scale {
    double low = 0;
    double high = 1;
    bool logarithmic = false;
};

// One of the ten answers, with everything the front ends say about it: one
// table, keyed by name, from which the tools' options, the experiment files'
// keys, the explorer's form and the R package's arguments all come. Exactly
// one of the two field pointers is set.
struct answer_field {
    std::string_view name;     // "adult_survival": the field, and the name in R
    std::string_view key;      // "adult-survival": the option (--adult-survival), file and request key
    std::string_view prompt;   // the console program's prompt, as it asks it
    std::string_view meaning;  // what the value is, for people
    std::string_view unit;     // its unit, empty when it has none
    sensible_range sensible;
    slider_scale slider;
    std::string_view example;  // a value to start from, in the answer syntax
    double parameter_set::*real = nullptr;
    std::int32_t parameter_set::*integer = nullptr;
};

namespace parameter_ranges {
inline constexpr double infinity = std::numeric_limits<double>::infinity();
inline constexpr sensible_range probability{0, 1};
inline constexpr sensible_range positive{0, infinity, false};
inline constexpr sensible_range not_negative{0, infinity};
}  // namespace parameter_ranges

// The example values are a population of which about a third of the streams
// die out within 100 generations.
inline constexpr std::array<answer_field, 10> answer_fields = {{
    {.name = "embryo_larval_survival",
     .key = "embryo-larval-survival",
     .prompt = "Embryo-larval survival probability",
     .meaning = "probability, 0 to 1",
     .unit = "",
     .sensible = parameter_ranges::probability,
     .slider = {0, 1, false},
     .example = "0.013",
     .real = &parameter_set::embryo_larval_survival},
    {.name = "max_juvenile_survival",
     .key = "max-juvenile-survival",
     .prompt = "Maximum juvenile survival rate in absence of competition (Eq. (1))",
     .meaning = "probability, 0 to 1",
     .unit = "",
     .sensible = parameter_ranges::probability,
     .slider = {0, 1, false},
     .example = "0.8",
     .real = &parameter_set::max_juvenile_survival},
    {.name = "adult_survival",
     .key = "adult-survival",
     .prompt = "Adult survival probability",
     .meaning = "probability per year, 0 to 1",
     .unit = "per year",
     .sensible = parameter_ranges::probability,
     .slider = {0, 1, false},
     .example = "0.5",
     .real = &parameter_set::adult_survival},
    {.name = "carrying_capacity",
     .key = "carrying-capacity",
     .prompt = "Carrying capacity (Eq. (1))",
     .meaning = "individuals; the model uses half of it",
     .unit = "individuals",
     .sensible = parameter_ranges::positive,
     .slider = {10, 1e7, true},
     .example = "400",
     .real = &parameter_set::carrying_capacity},
    {.name = "weight_increase_rate",
     .key = "weight-increase-rate",
     .prompt = "Rate of adult weight increase (Eq. (3))",
     .meaning = "r in W(i) = r W(i-1) / (1 + a W(i-1))",
     .unit = "per year",
     .sensible = parameter_ranges::positive,
     .slider = {0.1, 100, true},
     .example = "2",
     .real = &parameter_set::weight_increase_rate},
    {.name = "growth_inhibition",
     .key = "growth-inhibition",
     .prompt = "Constant of adult growth inhibition (Eq. (3))",
     .meaning = "a in the same equation",
     .unit = "per weight unit",
     .sensible = parameter_ranges::not_negative,
     .slider = {0.001, 100, true},
     .example = "0.5",
     .real = &parameter_set::growth_inhibition},
    {.name = "weight_at_one_year",
     .key = "weight-at-one-year",
     .prompt = "Weight at one year old (Eq. (3))",
     .meaning = "W(0), in the weight unit of Eq. (3)",
     .unit = "weight unit",
     .sensible = parameter_ranges::positive,
     .slider = {0.001, 100, true},
     .example = "0.1",
     .real = &parameter_set::weight_at_one_year},
    {.name = "max_reproduction_age",
     .key = "max-reproduction-age",
     .prompt = " Maximal reproduction age (integer number):",
     .meaning = "years: the number of adult age classes",
     .unit = "years",
     .sensible = {1, parameter_ranges::infinity},
     .slider = {1, 100, false},
     .example = "4",
     .integer = &parameter_set::max_reproduction_age},
    {.name = "fecundity_rate",
     .key = "fecundity-rate",
     .prompt = " Fecundity rate (Eq.4):",
     .meaning = "f: eggs per adult = round(f x 0.5 x 564.86 x W^0.73)",
     .unit = "",
     .sensible = parameter_ranges::not_negative,
     .slider = {0.01, 100, true},
     .example = "1",
     .real = &parameter_set::fecundity_rate},
    // The slider stops where 1000 streams stay within the explorer's rows.
    {.name = "generations",
     .key = "generations",
     .prompt = "Time of this simulation (in generation units):",
     .meaning = "number of yearly generations",
     .unit = "years",
     .sensible = parameter_ranges::not_negative,
     .slider = {1, 5000, true},
     .example = "50",
     .integer = &parameter_set::generations},
}};

// The value of answer field `answer` in a parameter set, as a real.
double answer_value(const parameter_set& answers, std::size_t answer);

// Sets answer field `answer` to value (rounded to the nearest whole number,
// halves away from zero, for an integer answer).
void set_answer_value(parameter_set& answers, std::size_t answer, double value);

// Whether the value lies where the parameter has a meaning (never for NaN
// or an infinity).
bool is_sensible(const answer_field& field, double value);

// The index of the answer with this name ("adult_survival"), or with this
// key ("adult-survival"); answer_fields.size() when there is none.
std::size_t answer_index(std::string_view name);
std::size_t answer_key_index(std::string_view key);

}  // namespace zemrath
