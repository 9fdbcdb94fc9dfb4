#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "zemrath/random_source.hpp"

namespace zemrath {
namespace {

struct seed_vector {
    std::int32_t millisecond;
    rand_state seeded;
    std::uint32_t words[3];
    double draws[3];
};

TEST(RandomSource, SeededStatesAndFirstThreeDraws) {
    const seed_vector vectors[] = {
        {0, {0xF95F9500, 0x0F95F950, 0x00F95F95, 0x22222222}, {0xD0C5FA12, 0xAB0C2FAF, 0x9F833BC0},
         {0.81552088679745793, 0.66815469763241708, 0.62309621274471283}},
        {500, {0xF95F94F4, 0x0F95F8A4, 0x00F95E61, 0x222223D6}, {0xD37948AB, 0x9E6043EC, 0xD6CF25E6},
         {0.82606939482502639, 0.61865639220923185, 0.83909832825884223}},
        {999, {0xF95F96E7, 0x0F95FAB7, 0x00F95C72, 0x222221C5}, {0xD4F45CB1, 0xC53095FC, 0xB274918C},
         {0.83185366936959326, 0.77027261164039373, 0.69709119480103254}},
    };
    for (const auto& v : vectors) {
        SCOPED_TRACE(v.millisecond);
        rand_state state = seeded_state(v.millisecond);
        EXPECT_EQ(state, v.seeded);
        rand_state for_draws = state;
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(xorshf96(state), v.words[i]);
            EXPECT_EQ(uniform_draw(for_draws), v.draws[i]);
        }
    }
}

TEST(RandomSource, StateAfterThreeDrawsAndLongRuns) {
    rand_state state = seeded_state(0);
    for (int i = 0; i < 3; ++i) uniform_draw(state);
    EXPECT_EQ(state, (rand_state{0xBE2B1C3D, 0xAD463806, 0xF5D46380, 0x6A575840}));

    state = seeded_state(0);
    std::uint32_t word = 0;
    for (int i = 0; i < 1000; ++i) word = xorshf96(state);
    EXPECT_EQ(word, 0x71A317C7u);
    EXPECT_EQ(static_cast<double>(word) * draw_scale, 0.44389484985731542);
    EXPECT_EQ(state, (rand_state{0x19558115, 0x8E81E7CB, 0x5EF2CE70, 0x2F51D9B7}));
    for (int i = 1000; i < 1000000; ++i) word = xorshf96(state);
    EXPECT_EQ(word, 0xBAE7DBD2u);
    EXPECT_EQ(static_cast<double>(word) * draw_scale, 0.73010038258507848);
}

TEST(RandomSource, MultiplicativeWordUsesTheTruncatedProduct) {
    // With the textbook full product the first word from m = 0 would be
    // D0C5EB92: the register part is the same, only s3 differs.
    rand_state state = seeded_state(0);
    const std::uint32_t word = xorshf96(state);
    const auto full_s3 = static_cast<std::uint32_t>((std::uint64_t{0x22222222} * 16807u) % 2147483647u);
    EXPECT_EQ(word, 0xD0C5FA12u);
    EXPECT_EQ(word ^ state.s3 ^ full_s3, 0xD0C5EB92u);

    EXPECT_EQ(next_s3(0x33CBA9E9), 0u);
    EXPECT_EQ(next_s3(0x679753D2), 0u);
    EXPECT_EQ(next_s3(0), 0u);
    EXPECT_EQ(next_s3(0xB3CBA9E9), 1u);  // the cut product 2^32 - 1
}

TEST(RandomSource, MultiplicativeStepIsTheRemainderOfTheCutProduct) {
    // Words whose cut products lie on both sides of 0, 2^31 - 1 and
    // 2 (2^31 - 1), where the remainder subtracts 0, 1 or 2 times, and a
    // spread of others. (Every one of the 2^32 words was checked once
    // against the division.)
    const std::uint32_t inverse = 0x4C345617u;  // 16807 x inverse = 1 modulo 2^32
    ASSERT_EQ(16807u * inverse, 1u);
    std::vector<std::uint32_t> words;
    for (const std::uint32_t product : {0u, 1u, 0x7FFFFFFEu, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFDu, 0xFFFFFFFEu,
                                        0xFFFFFFFFu})
        words.push_back(product * inverse);
    for (std::uint32_t k = 0; k < 100000; ++k) words.push_back(k * 0x9E3779B9u);
    for (const std::uint32_t word : words) EXPECT_EQ(next_s3(word), (word * 16807u) % 2147483647u) << word;
}

TEST(RandomSource, ZeroMultiplicativeWordLeavesTheRegisterAlone) {
    rand_state state{0xF95F9500, 0x0F95F950, 0x00F95F95, 0x33CBA9E9};
    const std::uint32_t word = xorshf96(state);
    EXPECT_EQ(state.s3, 0u);
    EXPECT_EQ(word, state.s2);
    EXPECT_EQ(xorshf96(state), state.s2);
}

TEST(RandomSource, DrawExtremes) {
    rand_state state{};
    state.s3 = 0;
    EXPECT_EQ(uniform_draw(state), 0.0);  // all-zero register, zero word
    EXPECT_EQ(static_cast<double>(0xFFFFFFFFu) * draw_scale, 0.99999999976716936);
    EXPECT_LT(static_cast<double>(0xFFFFFFFFu) * draw_scale, 1.0);
}

TEST(RandomSource, EveryStreamStartsInTheNarrowBand) {
    for (std::int32_t m = 0; m < 1000; ++m) {
        rand_state state = seeded_state(m);
        const std::uint32_t first = xorshf96(state);
        EXPECT_GE(first, 0xD00326CBu) << m;
        EXPECT_LE(first, 0xD7E689BAu) << m;
        EXPECT_GE(uniform_draw(state), 0.5) << m;
        EXPECT_GE(uniform_draw(state), 0.5) << m;
    }
}

TEST(RandomSource, SeedPutMasksTheWordsAndSeedSizeIsFour) {
    EXPECT_EQ(seed_size(), 4);
    rand_state state;
    const std::int32_t words[] = {0, -1, 0x12345678, 7};
    seed_put(state, words);
    EXPECT_EQ(state, (rand_state{0xF95F9500, ~0x0F95F950u, 0x00F95F95 ^ 0x12345678u, 0x22222225}));
    seed_put(state, std::array<std::int32_t, 4>{});
    EXPECT_EQ(state, (rand_state{rand_mask[0], rand_mask[1], rand_mask[2], rand_mask[3]}));
}

}  // namespace
}  // namespace zemrath
