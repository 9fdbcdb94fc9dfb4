#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "base/worker_pool.hpp"
#include "model/count_arithmetic.hpp"
#include "model/stage_transitions.hpp"
#include "zemrath/parameters.hpp"

namespace zemrath {
namespace {

constexpr double nan_value = std::numeric_limits<double>::quiet_NaN();
const growth_parameters worked_growth{2.0, 0.5, 0.1, 1.0};
const count_settings all_threads{best_kernel(), hardware_threads()};

rand_state advanced(rand_state state, int steps) {
    for (int i = 0; i < steps; ++i) xorshf96(state);
    return state;
}

age_class_array make_classes(std::initializer_list<std::int32_t> counts) {
    age_class_array array;
    EXPECT_TRUE(create_age_class_array(array, static_cast<std::int32_t>(counts.size())));
    std::int32_t i = 1;
    for (std::int32_t c : counts) array[i++] = c;
    return array;
}

std::vector<std::int32_t> contents(const age_class_array& array) {
    std::vector<std::int32_t> out;
    for (std::int32_t i = 1; i <= array.size; ++i) out.push_back(array[i]);
    return out;
}

TEST(Adulto, WorkedExampleAgesRecruitsAndCountsEggs) {
    age_class_array classes = make_classes({5, 2, 99});
    age_class_array scratch = make_classes({0, 0, 0});
    rand_state rng = seeded_state(0);
    const adult_update update = reference_adulto(classes, scratch, 10, {1.0, worked_growth}, rng);
    EXPECT_EQ(contents(classes), (std::vector<std::int32_t>{10, 5, 2}));  // class 3's 99 left
    EXPECT_EQ(update.embryos, 10 * 84 + 5 * 131 + 2 * 193);
    EXPECT_EQ(update.embryos, 1881);
    EXPECT_EQ(update.adults, 17);
    EXPECT_EQ(rng, advanced(seeded_state(0), 17));  // one draw per adult, none for the eggs
    EXPECT_EQ(scratch[1], 0);
}

TEST(Adulto, OneDrawPerAdultCountedBeforeTheDeaths) {
    // Survival -1: every draw exceeds it, so every adult dies, yet a class of m
    // makes exactly m draws although its count falls during them.
    age_class_array classes = make_classes({0, 7, 3});
    age_class_array scratch = make_classes({0, 0, 0});
    rand_state rng = seeded_state(3);
    const adult_update update = reference_adulto(classes, scratch, 4, {-1.0, worked_growth}, rng);
    EXPECT_EQ(update.adults, 0);
    EXPECT_EQ(update.embryos, 0);
    EXPECT_EQ(contents(classes), (std::vector<std::int32_t>{0, 0, 0}));
    EXPECT_EQ(rng, advanced(seeded_state(3), 4 + 0 + 7));
}

TEST(Adulto, DeathsFollowTheDrawsOneByOne) {
    // With survival 0.7 the survivors of class 1 are exactly the draws <= 0.7.
    rand_state expected = seeded_state(11);
    std::int32_t survivors = 0;
    for (int i = 0; i < 1000; ++i)
        if (!(uniform_draw(expected) > 0.7)) ++survivors;
    age_class_array classes = make_classes({0});
    age_class_array scratch = make_classes({0});
    rand_state rng = seeded_state(11);
    const adult_update update = reference_adulto(classes, scratch, 1000, {0.7, worked_growth}, rng);
    EXPECT_EQ(update.adults, survivors);
    EXPECT_EQ(update.embryos, survivors * 84);
    EXPECT_EQ(rng, expected);
}

TEST(Adulto, NanSurvivalKeepsEveryAdult) {
    age_class_array classes = make_classes({0, 0});
    age_class_array scratch = make_classes({0, 0});
    rand_state rng = seeded_state(1);
    EXPECT_EQ(reference_adulto(classes, scratch, 25, {nan_value, worked_growth}, rng).adults, 25);
    EXPECT_EQ(rng, advanced(seeded_state(1), 25));
}

TEST(Adulto, MaxReproductionAgeOneDropsLastYearsAdults) {
    age_class_array classes = make_classes({0});
    age_class_array scratch = make_classes({0});
    rand_state rng = seeded_state(0);
    EXPECT_EQ(reference_adulto(classes, scratch, 20, {1.0, worked_growth}, rng).adults, 20);
    const adult_update next = reference_adulto(classes, scratch, 3, {1.0, worked_growth}, rng);
    EXPECT_EQ(next.adults, 3);
    EXPECT_EQ(next.embryos, 3 * 84);
}

TEST(Adulto, NoClassesMeansNoDrawsAndNoAdults) {
    age_class_array classes;
    age_class_array scratch;
    ASSERT_TRUE(create_age_class_array(classes, -5));
    ASSERT_TRUE(create_age_class_array(scratch, 0));
    rand_state rng = seeded_state(0);
    const adult_update update = reference_adulto(classes, scratch, 20, {1.0, worked_growth}, rng);
    EXPECT_EQ(update.adults, 0);
    EXPECT_EQ(update.embryos, 0);
    EXPECT_EQ(rng, seeded_state(0));
}

TEST(Adulto, EmbryoCountWrapsWithTheSentinelEggCount) {
    // Rate 1: every egg count is -2147483648; an odd class adds it, an even
    // class adds 0 after the 32-bit wrap.
    const growth_parameters flat{1.0, 0.5, 0.1, 1.0};
    for (std::int32_t recruits : {3, 4}) {
        age_class_array classes = make_classes({0});
        age_class_array scratch = make_classes({0});
        rand_state rng = seeded_state(0);
        const adult_update update = reference_adulto(classes, scratch, recruits, {1.0, flat}, rng);
        EXPECT_EQ(update.embryos, recruits % 2 == 1 ? std::numeric_limits<std::int32_t>::min() : 0);
    }
    EXPECT_EQ(wrapping_add(2147483647, 1), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(wrapping_multiply(65536, 65536), 0);
    EXPECT_EQ(wrapping_multiply(-2147483647 - 1, -1), std::numeric_limits<std::int32_t>::min());
}

TEST(EmbryosAndLarvae, ProbabilityEdges) {
    const double first_draw = 0.81552088679745793;  // first draw from m = 0
    struct {
        double p;
        std::int32_t survivors_of_first;  // whether the first draw survives
    } cases[] = {
        {first_draw, 1},
        {std::nextafter(first_draw, 0.0), 0},
        {1.0, 1},
        {2.0, 1},
        {0.0, 0},
        {-0.5, 0},
        {nan_value, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.p);
        rand_state rng = seeded_state(0);
        EXPECT_EQ(embriao_larva(1, c.p, rng, all_threads), c.survivors_of_first);
        rng = seeded_state(0);
        // Adults die only above the probability: a draw equal to it survives.
        EXPECT_EQ(reference_count_draws_above(1, c.p, rng), std::isnan(c.p) ? 0 : 1 - c.survivors_of_first);
    }
}

TEST(EmbryosAndLarvae, AllOrNoneAndDrawCounts) {
    for (std::int32_t n : {0, 1, 1000}) {
        rand_state rng = seeded_state(9);
        EXPECT_EQ(embriao_larva(n, 1.0, rng, all_threads), n);
        EXPECT_EQ(rng, advanced(seeded_state(9), n));
        rng = seeded_state(9);
        EXPECT_EQ(embriao_larva(n, -1.0, rng, all_threads), 0);
        EXPECT_EQ(rng, advanced(seeded_state(9), n));
    }
    rand_state rng = seeded_state(9);
    EXPECT_EQ(embriao_larva(-7, 1.0, rng, all_threads), 0);
    EXPECT_EQ(larva_juvenil(-7, 1.0, 0.0, rng, all_threads), 0);
    EXPECT_EQ(rng, seeded_state(9));
}

TEST(EmbryosAndLarvae, ZeroProbabilityKeepsOnlyAZeroDraw) {
    rand_state zero_word{};  // an all-zero register with s3 = 0 draws exactly 0.0
    EXPECT_EQ(embriao_larva(3, 0.0, zero_word, all_threads), 3);
    EXPECT_EQ(embriao_larva(3, -0.0, zero_word, all_threads), 3);
}

// The sanitizer build runs the plain loops many times slower.
#if defined(__SANITIZE_ADDRESS__)
constexpr std::int32_t largest_count = 30000;
#else
constexpr std::int32_t largest_count = 400000;
#endif

TEST(FastCounts, MatchThePlainLoopsForEveryKindOfProbability) {
    struct start {
        const char* name;
        rand_state state;
    };
    const start starts[] = {
        {"seed 0, in the s3 tail", seeded_state(0)},
        {"seed 593, on its 808-word s3 cycle", advanced(seeded_state(593), 1019 + 5)},
        {"s3 zero", {0xF95F9500, 0x0F95F950, 0x00F95F95, 0}},
    };
    const double denormal = std::numeric_limits<double>::denorm_min();
    const double word_step = std::ldexp(1.0, -32);
    for (const start& from : starts) {
        SCOPED_TRACE(from.name);
        for (std::int32_t n : {0, -5, 1, 999, static_cast<std::int32_t>(short_stretch), 30000, largest_count}) {
            if (n > largest_count) continue;
            SCOPED_TRACE(n);
            // A probability equal to the middle draw: that draw survives in both senses.
            rand_state middle = advanced(from.state, std::max(n / 2, 0));
            const double equal_to_a_draw = uniform_draw(middle);
            const double probabilities[] = {0.0, -0.0, denormal, word_step / 2, std::nextafter(word_step, 0.0),
                                            word_step, 0.25, std::nextafter(0.5, 0.0), 0.5, 0.7,
                                            std::nextafter(1.0, 0.0), 1.0, std::nextafter(1.0, 2.0), 2.0,
                                            std::numeric_limits<double>::infinity(), -denormal, -1e-300, -1.0,
                                            -std::numeric_limits<double>::infinity(), nan_value, equal_to_a_draw};
            for (double p : probabilities) {
                SCOPED_TRACE(p);
                rand_state plain = from.state, fast = from.state;
                EXPECT_EQ(fast_count_draws_at_most(n, p, fast, all_threads), reference_count_draws_at_most(n, p, plain));
                EXPECT_EQ(fast, plain);
                plain = from.state, fast = from.state;
                EXPECT_EQ(fast_count_draws_above(n, p, fast, all_threads), reference_count_draws_above(n, p, plain));
                EXPECT_EQ(fast, plain);
            }
        }
    }
}

TEST(FastCounts, StageTransitionsDrawAsThePlainLoopsDo) {
    rand_state plain = seeded_state(999), fast = plain;
    const std::int32_t embryos = largest_count / 2 + 17;
    EXPECT_EQ(embriao_larva(embryos, 0.6, fast, all_threads), reference_count_draws_at_most(embryos, 0.6, plain));
    EXPECT_EQ(fast, plain);
    const double p = juvenile_survival_probability(0.8, 0.0016, embryos);
    EXPECT_EQ(larva_juvenil(embryos, 0.8, 0.0016, fast, all_threads), reference_count_draws_at_most(embryos, p, plain));
    EXPECT_EQ(fast, plain);
}

TEST(LarvaJuvenil, DensityDependentProbability) {
    parameter_set answers;
    answers.max_juvenile_survival = 0.8;
    answers.carrying_capacity = 1000;
    const double c = derive_model_parameters(answers).competition_coefficient;
    EXPECT_EQ(c, 0.0016);
    EXPECT_EQ(juvenile_survival_probability(0.8, c, 500), 0.4444444444444445);
    EXPECT_EQ(juvenile_survival_probability(0.8, c, 1000), 0.3076923076923077);
    EXPECT_EQ(juvenile_survival_probability(0.8, c, 0), 0.8);

    // Every larva faces the same p, fixed from the count at entry.
    const double p = juvenile_survival_probability(0.8, c, 500);
    rand_state expected = seeded_state(2);
    std::int32_t survivors = 0;
    for (int i = 0; i < 500; ++i)
        if (uniform_draw(expected) <= p) ++survivors;
    rand_state rng = seeded_state(2);
    EXPECT_EQ(larva_juvenil(500, 0.8, c, rng, all_threads), survivors);
    EXPECT_EQ(rng, expected);
}

TEST(LarvaJuvenil, ZeroCarryingCapacityMakesEveryLarvaDie) {
    parameter_set answers;
    answers.max_juvenile_survival = 0.8;
    answers.carrying_capacity = 0;
    const double c = derive_model_parameters(answers).competition_coefficient;
    EXPECT_TRUE(std::isinf(c));
    rand_state rng = seeded_state(4);
    EXPECT_EQ(larva_juvenil(1000, 0.8, c, rng, all_threads), 0);
}

}  // namespace
}  // namespace zemrath
