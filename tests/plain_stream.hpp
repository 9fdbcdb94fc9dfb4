// The plain stream that the fast counts are checked against: xorshf96 step
// by step, and s3's orbit found by remembering every value. Obviously right,
// and slow.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "zemrath/random_source.hpp"

namespace zemrath::testing {

// The sanitizer build runs the plain loops tens of times slower: its tests
// take fewer and shorter stretches.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool sanitized = true;
#else
inline constexpr bool sanitized = false;
#endif

rand_state stepped(rand_state state, std::uint64_t steps);

// Every word of a stretch and the state after it.
struct stretch {
    std::vector<std::uint32_t> words;
    rand_state end;
};

stretch take_words(rand_state state, std::uint32_t n);
std::uint32_t words_above(const stretch& s, std::uint32_t threshold);

// The values of s3 from a start before it repeats, and where the cycle
// begins among them.
struct plain_orbit {
    std::vector<std::uint32_t> values;
    std::uint32_t tail = 0;
    std::uint32_t cycle() const { return static_cast<std::uint32_t>(values.size()) - tail; }
};

plain_orbit plain_orbit_of(std::uint32_t s3);

// Streams with long and short s3 cycles, entered at the seed, at the last
// step of the tail and on the cycle; s3 = 0 (which stays 0), the two words
// that step to 0, a word at or above 2^31 - 1 that steps to 1, and a register
// with arbitrary words.
struct named_start {
    std::string name;
    rand_state state;
};

std::vector<named_start> stream_starts();

// Thresholds at the edges: none above, all above but the zero words, the
// middle of the range on both sides (where the 2^31 bias flips).
inline const std::vector<std::uint32_t> edge_thresholds = {0u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu};

}  // namespace zemrath::testing
