#include "driver/population.hpp"

namespace zemrath {

void halve_carrying_capacity(parameter_set& parameters) { parameters.carrying_capacity /= 2; }

double competition_coefficient_of(const parameter_set& parameters) {
    return static_cast<double>(static_cast<long double>(parameters.max_juvenile_survival) /
                               parameters.carrying_capacity);
}

bool create_age_classes(population& state, const parameter_set& parameters) {
    return create_adult_classes(state.adults, parameters.max_reproduction_age);
}

bool create_age_classes(reference_population& state, const parameter_set& parameters) {
    return create_age_class_array(state.age_classes, parameters.max_reproduction_age) &&
           create_age_class_array(state.age_scratch, parameters.max_reproduction_age);
}

generation_row initial_row(const population& state) { return {0, 0, 0, state.recruits}; }

generation_row advance_generation(population& state, const parameter_set& parameters,
                                  std::int32_t generation, rand_state& rng) {
    const adult_update update =
        adulto(state.adults, state.recruits, adult_parameters_of(parameters), rng, count_settings{});
    const std::int32_t larvae = embriao_larva(update.embryos, parameters.embryo_larval_survival, rng);
    state.recruits = larva_juvenil(larvae, parameters.max_juvenile_survival,
                                   state.competition_coefficient, rng);
    return {generation, update.embryos, larvae, update.adults};
}

generation_row advance_generation(reference_population& state, const parameter_set& parameters,
                                  std::int32_t generation, rand_state& rng) {
    const adult_update update = adulto(state.age_classes, state.age_scratch, state.recruits,
                                       adult_parameters_of(parameters), rng);
    const std::int32_t larvae = count_draws_at_most(update.embryos, parameters.embryo_larval_survival, rng);
    const double p = juvenile_survival_probability(parameters.max_juvenile_survival,
                                                   state.competition_coefficient, larvae);
    state.recruits = count_draws_at_most(larvae, p, rng);
    return {generation, update.embryos, larvae, update.adults};
}

}  // namespace zemrath
