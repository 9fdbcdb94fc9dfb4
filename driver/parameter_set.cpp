#include "driver/parameter_set.hpp"

namespace zemrath {

adult_parameters adult_parameters_of(const parameter_set& parameters) {
    return adult_parameters{parameters.adult_survival,
                            growth_parameters{parameters.weight_increase_rate,
                                              parameters.growth_inhibition,
                                              parameters.weight_at_one_year,
                                              parameters.fecundity_rate}};
}

}  // namespace zemrath
