#include "driver/population.hpp"

namespace zemrath {

void halve_carrying_capacity(parameter_set& parameters) { parameters.carrying_capacity /= 2; }

double competition_coefficient_of(const parameter_set& parameters) {
    return static_cast<double>(static_cast<long double>(parameters.max_juvenile_survival) /
                               parameters.carrying_capacity);
}

bool create_age_classes(population& state, const parameter_set& parameters) {
    return create_age_class_array(state.age_classes, parameters.max_reproduction_age) &&
           create_age_class_array(state.age_scratch, parameters.max_reproduction_age);
}

generation_row initial_row(const population& state) { return {0, 0, 0, state.recruits}; }

generation_row advance_generation(population& state, const parameter_set& parameters,
                                  std::int32_t generation, rand_state& rng) {
    const adult_update update = adulto(state.age_classes, state.age_scratch, state.recruits,
                                       adult_parameters_of(parameters), rng);
    const std::int32_t larvae = embriao_larva(update.embryos, parameters.embryo_larval_survival, rng);
    state.recruits = larva_juvenil(larvae, parameters.max_juvenile_survival,
                                   state.competition_coefficient, rng);
    return {generation, update.embryos, larvae, update.adults};
}

}  // namespace zemrath
