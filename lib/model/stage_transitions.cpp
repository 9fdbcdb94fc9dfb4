#include "model/stage_transitions.hpp"

#include <cmath>

#include "model/count_arithmetic.hpp"

namespace zemrath {

std::int32_t reference_count_draws_at_most(std::int32_t n, double p, rand_state& rng) {
    std::int32_t survivors = 0;
    for (std::int32_t k = 0; k < n; ++k)
        if (uniform_draw(rng) <= p) ++survivors;
    return survivors;
}

std::int32_t reference_count_draws_above(std::int32_t n, double p, rand_state& rng) {
    std::int32_t deaths = 0;
    for (std::int32_t k = 0; k < n; ++k)
        if (uniform_draw(rng) > p) ++deaths;
    return deaths;
}

namespace {

// For 0 <= p < 1: u <= p exactly when the word is at most this. p x 2^32 is
// exact (a power-of-two scaling) and below 2^32.
std::uint32_t word_threshold(double p) { return static_cast<std::uint32_t>(std::floor(std::ldexp(p, 32))); }

}  // namespace

std::int32_t fast_count_draws_at_most(std::int32_t n, double p, rand_state& rng,
                                      const count_settings& settings) {
    if (n <= 0) return 0;
    const auto words = static_cast<std::uint32_t>(n);
    if (p >= 1 || !(p >= 0)) {  // every draw is below 1 and at least 0; NaN compares false
        advance_stream(rng, words);
        return p >= 1 ? n : 0;
    }
    return n - static_cast<std::int32_t>(count_words_above(words, word_threshold(p), rng, settings));
}

std::int32_t fast_count_draws_above(std::int32_t n, double p, rand_state& rng,
                                    const count_settings& settings) {
    if (n <= 0) return 0;
    const auto words = static_cast<std::uint32_t>(n);
    if (p >= 1 || !(p >= 0)) {
        advance_stream(rng, words);
        return p < 0 ? n : 0;
    }
    return static_cast<std::int32_t>(count_words_above(words, word_threshold(p), rng, settings));
}

namespace {

// Shift then copy back: class i takes what class i - 1 held, class 1 becomes 0
// (age_scratch's class 1 is never written) and the last class leaves.
void age_one_year(age_class_array& age_classes, age_class_array& age_scratch) {
    const std::int32_t n = age_classes.size;
    for (std::int32_t i = 2; i <= n; ++i) age_scratch[i] = age_classes[i - 1];
    for (std::int32_t i = 1; i <= n; ++i) age_classes[i] = age_scratch[i];
}

}  // namespace

adult_update reference_adulto(age_class_array& age_classes, age_class_array& age_scratch,
                              std::int32_t recruits, const adult_parameters& parameters, rand_state& rng) {
    const std::int32_t n = age_classes.size;
    age_one_year(age_classes, age_scratch);
    if (n >= 1) age_classes[1] = recruits;

    const fecundity_constants constants = compute_fecundity_constants(parameters.growth);
    adult_update update;
    for (std::int32_t i = 1; i <= n; ++i) {
        const std::int32_t deaths = reference_count_draws_above(age_classes[i], parameters.adult_survival, rng);
        age_classes[i] -= deaths;
        const std::int32_t eggs = eggs_at_age(parameters.growth, constants, i);
        update.embryos = wrapping_add(update.embryos, wrapping_multiply(age_classes[i], eggs));
        update.adults = wrapping_add(update.adults, age_classes[i]);
    }
    return update;
}

std::int32_t embriao_larva(std::int32_t embryos, double embryo_larval_survival, rand_state& rng,
                           const count_settings& settings) {
    return fast_count_draws_at_most(embryos, embryo_larval_survival, rng, settings);
}

double juvenile_survival_probability(double max_juvenile_survival, double competition_coefficient,
                                     std::int32_t larvae) {
    return static_cast<double>(
        max_juvenile_survival /
        (static_cast<long double>(competition_coefficient) * larvae + 1.0L));
}

std::int32_t larva_juvenil(std::int32_t larvae, double max_juvenile_survival,
                           double competition_coefficient, rand_state& rng, const count_settings& settings) {
    const double p = juvenile_survival_probability(max_juvenile_survival, competition_coefficient, larvae);
    return fast_count_draws_at_most(larvae, p, rng, settings);
}

}  // namespace zemrath
