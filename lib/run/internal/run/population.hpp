// The population of one stream and its yearly generation step, in two forms:
// the fast one every run uses, and the plain reference it is checked against.
#pragma once

#include <cstdint>

#include "model/adult_classes.hpp"
#include "model/age_class_array.hpp"
#include "random/stream_counting.hpp"
#include "zemrath/parameters.hpp"
#include "zemrath/random_source.hpp"
#include "zemrath/stream.hpp"

namespace zemrath {

inline constexpr std::int32_t initial_recruits = 20;

// The adults by age class, aged by a ring index, and every count through
// the fast counts.
struct population {
    adult_classes adults;
    std::int32_t recruits = initial_recruits;
};

// The same population done the plain way: the two age-class arrays shifted
// and copied every generation, every draw taken by the per-individual loop.
struct reference_population {
    age_class_array age_classes;
    age_class_array age_scratch;
    std::int32_t recruits = initial_recruits;
};

// The fields the adult update reads.
adult_parameters adult_parameters_of(const model_parameters& parameters);

// Creates the age classes 1 to max_reproduction_age, all empty, and the
// initial recruits. Throws out_of_memory when the classes cannot be had.
void create_population(population& state, const model_parameters& parameters);
void create_population(reference_population& state, const model_parameters& parameters);

// One generation: adulto, embriao_larva, larva_juvenil, in that order, and
// the generation's row. The two give the same row and leave rng in the same
// state.
generation_row advance_generation(population& state, const model_parameters& parameters,
                                  std::int32_t generation, rand_state& rng, const count_settings& settings);
generation_row reference_advance_generation(reference_population& state, const model_parameters& parameters,
                                            std::int32_t generation, rand_state& rng);

}  // namespace zemrath
