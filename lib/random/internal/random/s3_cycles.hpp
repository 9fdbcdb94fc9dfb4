// The cycles of the multiplicative word s3, shared by every thread.
//
// s3 evolves on its own (next_s3), never looking at the register, so from
// any start it runs through a tail into a cycle. The words met in practice
// reach only a handful of cycles, each some thousands to tens of thousands of
// values long. Each cycle is built once per process, by the first stream that
// reaches it, and never changes afterwards: every thread reads it without a
// lock.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "random/s3_stripes.hpp"

namespace zemrath {

struct s3_cycle {
    std::uint32_t length = 0;
    // values[k]: the value at phase k; phase 0 holds the cycle's least value,
    // and next_s3(values[k]) is values[(k + 1) % length].
    std::vector<std::uint32_t> values;
    // values[k % length] XOR 2^31 (so that a signed comparison orders the
    // output words as unsigned ones), for k up to length + max(length,
    // cycle_overhang): any stretch of that many steps from any phase reads it
    // without wrapping.
    std::vector<std::uint32_t> biased;
    // striped[k]: the striped table for stripe_spacings[k] (s3_stripes.hpp);
    // all empty for a very long cycle.
    std::array<std::vector<std::uint32_t>, stripe_spacings.size()> striped;
    // Open-addressing indexes of values and of the landmarks among them:
    // phase + 1, 0 for an empty slot.
    std::vector<std::uint32_t> index;
    std::vector<std::uint32_t> landmarks;
};

// Landmarks are the values that are multiples of landmark_spacing: about one
// value in that many. A walk towards a cycle looks up only these, in tables
// small enough to stay in the nearest cache.
inline constexpr std::uint32_t landmark_spacing = 64;

inline bool is_landmark(std::uint32_t value) { return value % landmark_spacing == 0; }

inline constexpr std::uint32_t cycle_overhang = 4096;

// A value's place on a cycle; cycle is nullptr when none holds it.
struct cycle_place {
    const s3_cycle* cycle = nullptr;
    std::uint32_t phase = 0;
};

// The phase of value on this cycle, if it lies on it.
cycle_place place_on(const s3_cycle& cycle, std::uint32_t value);

// The place of value on the cycles known to the process so far.
cycle_place find_on_known_cycle(std::uint32_t value);

// The same for a landmark, faster.
cycle_place find_landmark_on_known_cycle(std::uint32_t landmark);

// Makes the cycle through `value`, which must lie on a cycle of `length`
// values, known to the process, unless a thread already has, and returns
// value's place on it. Thread-safe. The process keeps at most
// max_known_cycles; past that, returns a place with no cycle.
cycle_place share_cycle(std::uint32_t value, std::uint32_t length);

inline constexpr int max_known_cycles = 64;

}  // namespace zemrath
