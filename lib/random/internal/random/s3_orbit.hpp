// Where a stream's s3 goes from its present value: the tail that leads to a
// cycle, then the cycle (shared by the process, s3_cycles).
//
// A seeded s3 lies off every cycle and reaches one after a tail of up to some
// tens of thousands of steps. The first long count of a stream finds that
// tail once: it walks step by step until it meets a known cycle or a tail
// walked before (s3_tails), whose rest it copies. The thread keeps the tail
// while streams are in it; a stream whose s3 is on a cycle needs no tail at
// all. With the orbit at hand, the s3 of any later step is a look-up.
#pragma once

#include <cstdint>
#include <span>

#include "random/s3_cycles.hpp"

namespace zemrath {

// Positions 0 to tail_length - 1 hold tail[position]; position
// tail_length + k holds the cycle's value at phase (entry + k) % length.
// Positions on the cycle are kept below tail_length + the cycle's length.
struct s3_orbit {
    const std::uint32_t* tail = nullptr;
    std::uint32_t tail_length = 0;
    const s3_cycle* cycle = nullptr;  // nullptr: no orbit
    std::uint32_t entry = 0;
    // Whether the lane kernels with s3 of their own may start anywhere in
    // the tail; true only when none of its values is 0x679753D2 or 2^31 - 1
    // and above (see count_kernels.hpp). Every cycle value may start them.
    bool lanes_exact_in_tail = true;
};

// s3 at a position.
std::uint32_t orbit_value(const s3_orbit& orbit, std::uint32_t position);

// The position `steps` steps after position.
std::uint32_t orbit_position_after(const s3_orbit& orbit, std::uint32_t position, std::uint64_t steps);

// The values at position, position + spacing, position + 2 spacing, ...: as
// many as `values` holds.
void orbit_values_spaced(const s3_orbit& orbit, std::uint32_t position, std::uint32_t spacing,
                         std::span<std::uint32_t> values);

// The values at positions position + 1, position + 2, ...: as many as lie
// side by side in one table, at least one and at most `wanted` (> 0).
std::span<const std::uint32_t> values_after(const s3_orbit& orbit, std::uint32_t position, std::uint32_t wanted);

// An orbit and s3's position on it; no orbit (cycle nullptr) when s3 was not
// found.
struct s3_place {
    s3_orbit orbit;
    std::uint32_t position = 0;
};

// Tails longer than this are not kept, and neither are cycles: their
// streams are counted word by word, as if no orbit were found. The longest orbit met over the 1000
// seeded words and many random ones is about 114000 values.
inline constexpr std::uint32_t max_orbit_length = 1u << 20;

// s3 where a stream on this thread last stopped (see note_stop), on a cycle
// or in a tail. Compares a few words; looks nothing up.
s3_place find_stop(std::uint32_t s3);

// find_stop, and failing that s3 on a known cycle. Walks nothing.
s3_place find_s3(std::uint32_t s3);

// find_s3, and failing that walks s3's tail until it meets a known cycle or
// a stored tail, or finds a new cycle and makes it known to the process. No
// orbit when the tail or a new cycle is longer than max_length. The tail
// stays valid until this thread's next locate_s3.
s3_place locate_s3(std::uint32_t s3, std::uint32_t max_length = max_orbit_length);

// Where the stream counted from `place` stopped: its next count on this
// thread finds its s3 there without walking again.
void note_stop(const s3_place& place);

}  // namespace zemrath
