// Random source: one xorshift-style generator with 128 bits of state.
//
// The stream is fixed to the bit: the same seed words give the same draws on
// every platform, and a run seeded with millisecond m repeats exactly.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <span>

namespace zemrath {

// s0, s1, s2 form a 96-bit xorshift register; s3 is a multiplicative word.
struct rand_state {
    std::uint32_t s0 = 0;
    std::uint32_t s1 = 0;
    std::uint32_t s2 = 0;
    std::uint32_t s3 = 0;

    friend bool operator==(const rand_state&, const rand_state&) = default;
};

// The words the seed is combined with.
inline constexpr std::array<std::uint32_t, 4> rand_mask = {0xF95F9500u, 0x0F95F950u, 0x00F95F95u,
                                                          0x22222222u};

// Number of seed words seed_put takes: always 4.
std::int32_t seed_size();

// s_i := rand_mask[i] XOR w_i for the seed_size() words given (their bit
// patterns read as unsigned). No warm-up steps, no further mixing.
void seed_put(rand_state& state, std::span<const std::int32_t> words);

// One step of the multiplicative word: the product is cut to its low 32 bits
// before the remainder by 2^31 - 1 (so it is not the textbook 46-bit product).
constexpr std::uint32_t next_s3(std::uint32_t s3) {
    // The cut product is below 2^32 = 2 (2^31 - 1) + 2, so its remainder is
    // what is left after subtracting 2^31 - 1 at most twice; a subtraction
    // that would go below zero wraps to a larger word, and the minimum keeps
    // the word as it was. Shorter in latency than a division by a constant.
    constexpr std::uint32_t modulus = 2147483647u;
    const std::uint32_t product = s3 * 16807u;
    const std::uint32_t once = std::min(product, product - modulus);
    return std::min(once, once - modulus);
}

// The register's new word n from s0, s1 and s2 as they were before the step.
constexpr std::uint32_t next_register_word(std::uint32_t s0, std::uint32_t s1, std::uint32_t s2) {
    std::uint32_t t = s0 ^ (s0 << 16);
    t ^= t >> 5;
    return t ^ (t << 1) ^ s1 ^ s2;
}

// One step of xorshf96: advances the state and returns the output word.
constexpr std::uint32_t xorshf96(rand_state& state) {
    const std::uint32_t n = next_register_word(state.s0, state.s1, state.s2);
    state.s0 = state.s1;
    state.s1 = state.s2;
    state.s2 = n;
    state.s3 = next_s3(state.s3);
    return n ^ state.s3;
}

// 2^-32: a draw is its output word times this, exactly.
inline constexpr double draw_scale = 1.0 / 4294967296.0;

// One uniform draw in [0, 1): a multiple of 2^-32, never 1.0.
inline double uniform_draw(rand_state& state) {
    return static_cast<double>(xorshf96(state)) * draw_scale;
}

// One stream per seed millisecond, 0 to 999.
inline constexpr std::int32_t seed_count = 1000;

// The millisecond field (0 to 999) of the current local time.
std::int32_t clock_millisecond();

// Seeds every word with the millisecond m: s_i = rand_mask[i] XOR m.
void seed_from_millisecond(rand_state& state, std::int32_t millisecond);

// The state that seed_from_millisecond gives.
rand_state seeded_state(std::int32_t millisecond);

}  // namespace zemrath
