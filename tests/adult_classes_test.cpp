// The adult update on the ring (adult_classes) against the plain
// shift-and-copy reference_adulto, generation by generation, and whole
// streams against the reference streams, row by row.
#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "model/adult_classes.hpp"
#include "model/stage_transitions.hpp"
#include "zemrath/stream.hpp"

namespace zemrath {
namespace {

constexpr double nan_value = std::numeric_limits<double>::quiet_NaN();
const growth_parameters worked_growth{2.0, 0.5, 0.1, 1.0};

TEST(AdultClasses, MatchTheShiftAndCopyReference) {
    std::mt19937 random(3);
    const double survivals[] = {0.7, 0.999, 1.0, 0.0, -1.0, nan_value};
    for (std::int32_t classes : {1, 2, 3, 7}) {
        for (double survival : survivals) {
            SCOPED_TRACE(testing::Message() << classes << " classes, survival " << survival);
            age_class_array age_classes, age_scratch;
            ASSERT_TRUE(create_age_class_array(age_classes, classes));
            ASSERT_TRUE(create_age_class_array(age_scratch, classes));
            adult_classes adults;
            ASSERT_TRUE(create_adult_classes(adults, classes));
            const adult_parameters parameters{survival, worked_growth};
            rand_state plain = seeded_state(classes), fast = plain;
            for (int generation = 1; generation <= 15; ++generation) {
                SCOPED_TRACE(generation);
                // Empty years, small cohorts, and cohorts large enough for the fast counts.
                const std::int32_t choices[] = {0, 1 + static_cast<std::int32_t>(random() % 40),
                                                3000 + static_cast<std::int32_t>(random() % 3000)};
                const std::int32_t recruits = choices[random() % 3];
                const adult_update expected = reference_adulto(age_classes, age_scratch, recruits, parameters, plain);
                const adult_update update = adulto(adults, recruits, parameters, fast, count_settings{});
                ASSERT_EQ(update.embryos, expected.embryos);
                ASSERT_EQ(update.adults, expected.adults);
                ASSERT_EQ(fast, plain);
                for (std::int32_t i = 1; i <= classes; ++i) ASSERT_EQ(adult_count(adults, i), age_classes[i]) << i;
            }
        }
    }
}

TEST(AdultClasses, NoClassesMeansNoDrawsAndNoAdults) {
    for (std::int32_t classes : {0, -5}) {
        adult_classes adults;
        ASSERT_TRUE(create_adult_classes(adults, classes));
        rand_state rng = seeded_state(0);
        const adult_update update = adulto(adults, 20, {1.0, worked_growth}, rng, count_settings{});
        EXPECT_EQ(update.adults, 0);
        EXPECT_EQ(update.embryos, 0);
        EXPECT_EQ(rng, seeded_state(0));
    }
}

TEST(AdultClasses, EggCountsAreWorkedOutOnlyForClassesThatHoldAdults) {
    struct scenario {
        double survival;
        int generations;
        std::int32_t classes_reached;
    };
    // Survival 1: the first cohort reaches one class further every year.
    // Survival -1: every adult dies in class 1, so no class above is reached.
    for (const scenario& s : {scenario{1.0, 9, 9}, scenario{-1.0, 9, 1}}) {
        adult_classes adults;
        ASSERT_TRUE(create_adult_classes(adults, 1000));
        rand_state rng = seeded_state(4);
        for (int generation = 0; generation < s.generations; ++generation)
            adulto(adults, 5, {s.survival, worked_growth}, rng, count_settings{});
        EXPECT_EQ(adults.eggs_known, s.classes_reached);
        EXPECT_EQ(adults.occupied.size(), static_cast<std::size_t>(s.survival > 0 ? s.generations : 0));
    }
}

struct run_case {
    const char* name;
    parameter_set parameters;
};

// Answers as the dialogue gives them (carrying capacity before halving).
parameter_set answers(double embryo, double juvenile, double adult, double capacity, std::int32_t max_age,
                      double fecundity, std::int32_t generations) {
    parameter_set p;
    p.embryo_larval_survival = embryo;
    p.max_juvenile_survival = juvenile;
    p.adult_survival = adult;
    p.carrying_capacity = capacity;
    p.weight_increase_rate = 2.0;
    p.growth_inhibition = 0.5;
    p.weight_at_one_year = 0.1;
    p.max_reproduction_age = max_age;
    p.fecundity_rate = fecundity;
    p.generations = generations;
    return p;
}

// Every row of the stream of seed m, and the random state it ends in.
std::vector<generation_row> rows_of(const parameter_set& answers, std::int32_t m, bool reference,
                                    rand_state& end) {
    stream s = create_stream(derive_model_parameters(answers), stream_options{0, std::nullopt, reference});
    seed_stream(s, m);
    std::vector<generation_row> rows{first_row(s)};
    while (has_next_generation(s)) rows.push_back(next_generation(s));
    end = stream_random_state(s);
    return rows;
}

// Carrying capacities that keep the plain reference within a few million
// draws a run (less under the sanitizer, which runs it many times slower)
// while cohorts still exceed short_stretch, so the fast counts do the work.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool sanitized = true;
#else
constexpr bool sanitized = false;
#endif
constexpr double capacity_scale = sanitized ? 0.1 : 1.0;

parameter_set with_growth_rate(parameter_set parameters, double rate) {
    parameters.weight_increase_rate = rate;
    return parameters;
}

TEST(Stream, RunsMatchTheReferenceRowByRow) {
    const run_case cases[] = {
        {"growing to the carrying capacity", answers(0.5, 0.8, 0.9, 1e5 * capacity_scale, 8, 0.02, 14)},
        {"forty classes, long-lived adults", answers(0.6, 0.9, 0.95, 5e3 * capacity_scale, 40, 0.02, 30)},
        {"max reproduction age 1", answers(0.5, 0.8, 0.9, 5000, 1, 0.05, 10)},
        {"immortal adults, no embryo survives", answers(nan_value, 0.8, 1.0, 5000, 4, 1.0, 8)},
        {"adults never die in the NaN sense", answers(0.3, 0.8, nan_value, 1000, 5, 0.05, 8)},
        // Rate 1: every egg count is -2147483648, so the embryo sums wrap.
        {"wrapping embryo counts", with_growth_rate(answers(0.5, 0.8, 0.9, 1000, 3, 1.0, 5), 1.0)},
        {"no age classes", answers(0.5, 0.8, 0.9, 1000, 0, 1.0, 4)},
    };
    for (const run_case& c : cases)
        for (std::int32_t m : {0, 593}) {
            SCOPED_TRACE(testing::Message() << c.name << ", seed " << m);
            rand_state plain, fast;
            const std::vector<generation_row> expected = rows_of(c.parameters, m, true, plain);
            EXPECT_EQ(rows_of(c.parameters, m, false, fast), expected);
            EXPECT_EQ(fast, plain);
        }
}

TEST(Stream, HugeMaxReproductionAgeGivesTheRowsOfTheClassesReached) {
    // 20 generations reach 20 classes at most, so 500000000 classes give the
    // rows of 20 classes. (whole_run_bench measures the time and memory.)
    constexpr int generations = 20;
    rand_state plain, fast;
    const std::vector<generation_row> expected =
        rows_of(answers(0.5, 0.8, 0.9, 2e4 * capacity_scale, generations, 0.02, generations), 7, true, plain);
    EXPECT_EQ(rows_of(answers(0.5, 0.8, 0.9, 2e4 * capacity_scale, 500000000, 0.02, generations), 7, false, fast),
              expected);
    EXPECT_EQ(fast, plain);
}

TEST(Stream, ArraysBeyondTheByteLimitCannotBeHad) {
    const model_parameters parameters =
        derive_model_parameters(answers(0.5, 0.8, 0.9, 1000, max_age_classes + 1, 1.0, 1));
    for (bool reference : {false, true}) {
        try {
            create_stream(parameters, stream_options{1, std::nullopt, reference});
            ADD_FAILURE() << "created " << max_age_classes + 1 << " classes";
        } catch (const error& failure) {
            EXPECT_EQ(failure.code(), error_code::out_of_memory);
            EXPECT_STREQ(failure.what(), std::strerror(ENOMEM));
        }
    }
}

}  // namespace
}  // namespace zemrath
