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

// One of the ten answers: its field name, the console program's prompt for
// it, and its field (exactly one of the two pointers is set).
struct answer_field {
    std::string_view name;
    std::string_view prompt;
    double parameter_set::*real = nullptr;
    std::int32_t parameter_set::*integer = nullptr;
};

inline constexpr std::array<answer_field, 10> answer_fields = {{
    {"embryo_larval_survival", "Embryo-larval survival probability", &parameter_set::embryo_larval_survival},
    {"max_juvenile_survival", "Maximum juvenile survival rate in absence of competition (Eq. (1))",
     &parameter_set::max_juvenile_survival},
    {"adult_survival", "Adult survival probability", &parameter_set::adult_survival},
    {"carrying_capacity", "Carrying capacity (Eq. (1))", &parameter_set::carrying_capacity},
    {"weight_increase_rate", "Rate of adult weight increase (Eq. (3))", &parameter_set::weight_increase_rate},
    {"growth_inhibition", "Constant of adult growth inhibition (Eq. (3))", &parameter_set::growth_inhibition},
    {"weight_at_one_year", "Weight at one year old (Eq. (3))", &parameter_set::weight_at_one_year},
    {"max_reproduction_age", " Maximal reproduction age (integer number):", nullptr,
     &parameter_set::max_reproduction_age},
    {"fecundity_rate", " Fecundity rate (Eq.4):", &parameter_set::fecundity_rate},
    {"generations", "Time of this simulation (in generation units):", nullptr, &parameter_set::generations},
}};

// The index of the answer with this field name, or answer_fields.size().
std::size_t answer_index(std::string_view name);

}  // namespace zemrath
