// The parameter set: the ten answers of the dialogue, in prompt order.
// No answer is checked against a range; every one is used as given.
#pragma once

#include <cstdint>

#include "model/stage_transitions.hpp"

namespace zemrath {

struct parameter_set {
    double embryo_larval_survival = 0;
    double max_juvenile_survival = 0;
    double adult_survival = 0;
    double carrying_capacity = 0;  // half the answer once the dialogue is over
    double weight_increase_rate = 0;
    double growth_inhibition = 0;
    double weight_at_one_year = 0;
    std::int32_t max_reproduction_age = 0;
    double fecundity_rate = 0;
    std::int32_t generations = 0;
};

// The fields the adult update reads.
adult_parameters adult_parameters_of(const parameter_set& parameters);

}  // namespace zemrath
