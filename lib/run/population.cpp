#include "run/population.hpp"

#include <cerrno>
#include <cstring>

#include "model/stage_transitions.hpp"

namespace zemrath {

namespace {

[[noreturn]] void throw_out_of_memory() {
    throw error(error_code::out_of_memory, std::strerror(errno != 0 ? errno : ENOMEM));
}

}  // namespace

adult_parameters adult_parameters_of(const model_parameters& parameters) {
    return adult_parameters{parameters.adult_survival,
                            growth_parameters{parameters.weight_increase_rate, parameters.growth_inhibition,
                                              parameters.weight_at_one_year, parameters.fecundity_rate}};
}

void create_population(population& state, const model_parameters& parameters) {
    state = population{};
    errno = 0;
    if (!create_adult_classes(state.adults, parameters.max_reproduction_age)) throw_out_of_memory();
}

void create_population(reference_population& state, const model_parameters& parameters) {
    state = reference_population{};
    errno = 0;
    if (!create_age_class_array(state.age_classes, parameters.max_reproduction_age) ||
        !create_age_class_array(state.age_scratch, parameters.max_reproduction_age))
        throw_out_of_memory();
}

generation_row advance_generation(population& state, const model_parameters& parameters,
                                  std::int32_t generation, rand_state& rng, const count_settings& settings) {
    const adult_update update = adulto(state.adults, state.recruits, adult_parameters_of(parameters), rng, settings);
    const std::int32_t larvae = embriao_larva(update.embryos, parameters.embryo_larval_survival, rng, settings);
    state.recruits = larva_juvenil(larvae, parameters.max_juvenile_survival, parameters.competition_coefficient,
                                   rng, settings);
    return {generation, update.embryos, larvae, update.adults};
}

generation_row reference_advance_generation(reference_population& state, const model_parameters& parameters,
                                            std::int32_t generation, rand_state& rng) {
    const adult_update update = reference_adulto(state.age_classes, state.age_scratch, state.recruits,
                                                 adult_parameters_of(parameters), rng);
    const std::int32_t larvae = reference_count_draws_at_most(update.embryos, parameters.embryo_larval_survival, rng);
    const double p = juvenile_survival_probability(parameters.max_juvenile_survival,
                                                   parameters.competition_coefficient, larvae);
    state.recruits = reference_count_draws_at_most(larvae, p, rng);
    return {generation, update.embryos, larvae, update.adults};
}

}  // namespace zemrath
