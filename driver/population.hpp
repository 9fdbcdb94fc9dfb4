// The population state of one run and its yearly generation step.
#pragma once

#include <cstdint>

#include "driver/parameter_set.hpp"
#include "model/adult_classes.hpp"
#include "model/age_class_array.hpp"
#include "random/random_source.hpp"

namespace zemrath {

inline constexpr std::int32_t initial_recruits = 20;

// The state of a run: the adults by age class, aged by a ring index, and
// every count through the fast counts.
struct population {
    adult_classes adults;
    std::int32_t recruits = initial_recruits;
    double competition_coefficient = 0;
};

// The same run done the plain way, as the reference for population: the two
// age-class arrays shifted and copied every generation, every draw taken by
// the plain per-individual loop.
struct reference_population {
    age_class_array age_classes;
    age_class_array age_scratch;
    std::int32_t recruits = initial_recruits;
    double competition_coefficient = 0;
};

// One row of the results file.
struct generation_row {
    std::int32_t generation = 0;
    std::int32_t embryos = 0;
    std::int32_t larvae = 0;
    std::int32_t adults = 0;

    friend bool operator==(const generation_row&, const generation_row&) = default;
};

// The derived values once the dialogue is over: the carrying capacity is
// halved in place.
void halve_carrying_capacity(parameter_set& parameters);

// max_juvenile_survival / the halved carrying capacity, rounded to double.
double competition_coefficient_of(const parameter_set& parameters);

// Creates the two age-class arrays with classes 1 to max_reproduction_age,
// all 0. Returns false (errno set) when the memory cannot be had.
bool create_age_classes(population& state, const parameter_set& parameters);
bool create_age_classes(reference_population& state, const parameter_set& parameters);

// Row 0: 0, 0, 0 and the initial recruits.
generation_row initial_row(const population& state);

// One generation: adulto, embriao_larva, larva_juvenil, in that order. The
// two forms give the same row and leave rng in the same state.
generation_row advance_generation(population& state, const parameter_set& parameters,
                                  std::int32_t generation, rand_state& rng);
generation_row advance_generation(reference_population& state, const parameter_set& parameters,
                                  std::int32_t generation, rand_state& rng);

}  // namespace zemrath
