// The console program's seed: ZEMRATH_SEED when it holds 0 to 999, the
// clock's millisecond otherwise, and randseed putting it into the stream.
#include <gtest/gtest.h>

#include <cstdlib>

#include "driver/seeding.hpp"

namespace zemrath {
namespace {

TEST(ConsoleSeeding, SettingFromTheEnvironment) {
    struct {
        const char* text;
        bool valid;
        std::int32_t millisecond;
    } cases[] = {{"0", true, 0}, {"999", true, 999}, {"042", true, 42}, {"1000", false, 0},
                 {"-1", false, 0}, {"12a", false, 0}, {" 5", false, 0}, {"5.0", false, 0},
                 {"99999999999999999999", false, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        ::setenv("ZEMRATH_SEED", c.text, 1);
        const seed_setting setting = read_seed_setting();
        EXPECT_EQ(setting.valid, c.valid);
        EXPECT_EQ(setting.fixed, c.valid);
        if (c.valid) {
            EXPECT_EQ(setting.millisecond, c.millisecond);
        }
    }
    ::setenv("ZEMRATH_SEED", "", 1);
    const seed_setting from_clock = read_seed_setting();
    EXPECT_TRUE(from_clock.valid);
    EXPECT_FALSE(from_clock.fixed);
    ::unsetenv("ZEMRATH_SEED");
}

TEST(ConsoleSeeding, RandseedSeedsTheStreamWithTheChosenMillisecond) {
    ::setenv("ZEMRATH_SEED", "500", 1);
    stream run = create_stream(derive_model_parameters(parameter_set{}));
    randseed(run, read_seed_setting());
    EXPECT_EQ(stream_random_state(run), seeded_state(500));
    ::unsetenv("ZEMRATH_SEED");

    // From the clock: one of the 1000 seeded states.
    stream clocked = create_stream(derive_model_parameters(parameter_set{}));
    randseed(clocked, seed_setting{});
    const rand_state state = stream_random_state(clocked);
    const auto millisecond = static_cast<std::int32_t>(state.s3 ^ rand_mask[3]);
    ASSERT_GE(millisecond, 0);
    ASSERT_LE(millisecond, 999);
    EXPECT_EQ(state, seeded_state(millisecond));
}

}  // namespace
}  // namespace zemrath
