// Stage transitions: what happens to each stage in one generation.
//
// Every individual fate is one uniform draw compared with a survival
// probability; the number of draws equals the number of individuals that face
// a trial, counted before the first draw, and the draws are taken in a fixed
// order (adults class by class, then embryos, then larvae). An adult dies only
// when its draw is strictly greater than adult_survival; an embryo or a larva
// survives only when its draw is at most its probability. The two senses
// differ only for a NaN probability: every adult survives, every embryo and
// larva dies. Counts wrap in 32 bits. Nothing is kept between calls.
#pragma once

#include <cstdint>

#include "model/age_class_array.hpp"
#include "model/fecundity.hpp"
#include "random/stream_counting.hpp"
#include "zemrath/random_source.hpp"

namespace zemrath {

struct adult_parameters {
    double adult_survival = 0;
    growth_parameters growth;
};

struct adult_update {
    std::int32_t embryos = 0;
    std::int32_t adults = 0;
};

// Ages the adults one class (the last class leaves), puts the recruits in
// class 1, thins every class with one draw per adult and counts the
// survivors and their embryos. This is the plain algorithm, kept as the
// reference: it shifts and copies both arrays, works out every class's egg
// count and draws with the plain loop, every generation. A run uses adulto
// on the ring of adult classes (model/adult_classes.hpp).
adult_update reference_adulto(age_class_array& age_classes, age_class_array& age_scratch,
                              std::int32_t recruits, const adult_parameters& parameters, rand_state& rng);

// One draw per embryo; returns the larvae. The draws are counted by
// fast_count_draws_at_most, as are the larvae's below.
std::int32_t embriao_larva(std::int32_t embryos, double embryo_larval_survival, rand_state& rng,
                           const count_settings& settings);

// Eq. (1): p = max_juvenile_survival / (competition_coefficient x N + 1).
double juvenile_survival_probability(double max_juvenile_survival, double competition_coefficient,
                                     std::int32_t larvae);

// One draw per larva with the density-dependent probability; returns the
// recruits.
std::int32_t larva_juvenil(std::int32_t larvae, double max_juvenile_survival,
                           double competition_coefficient, rand_state& rng, const count_settings& settings);

// The plain per-individual loops: count the draws among n that survive
// (draw <= p) or that die (draw > p). n <= 0 makes no draw. They are the
// reference for the fast counts below.
std::int32_t reference_count_draws_at_most(std::int32_t n, double p, rand_state& rng);
std::int32_t reference_count_draws_above(std::int32_t n, double p, rand_state& rng);

// The same counts, leaving rng in the same state, without a floating-point
// draw per individual. A draw u = r x 2^-32 is at most p exactly when its
// output word r is at most floor(p x 2^32), for 0 <= p < 1 (-0.0 acts as 0).
// Every other p decides all n fates at once (p >= 1: every draw is at most p;
// p < 0: none; NaN: no draw is at most p, and none is above it), and the
// state moves on by n steps without the words being looked at.
std::int32_t fast_count_draws_at_most(std::int32_t n, double p, rand_state& rng,
                                      const count_settings& settings);
std::int32_t fast_count_draws_above(std::int32_t n, double p, rand_state& rng,
                                    const count_settings& settings);

}  // namespace zemrath
