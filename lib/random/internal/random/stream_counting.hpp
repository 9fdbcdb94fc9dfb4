// Counting over a long stretch of the stream without drawing word by word.
//
// count_words_above returns exactly what n calls of xorshf96 would give: the
// number of output words greater than a threshold, and the state those calls
// leave. A very short stretch runs the plain integer loop, unless it starts
// where this thread's last count stopped. Otherwise s3 is looked up in its
// orbit (s3_orbit), and:
//  1. on the cycle, a stretch of at least group_lanes cycles is cut into
//     groups of lanes whose lengths are whole multiples of the cycle length,
//     so that all lanes read the same s3 at every step; each lane's register
//     start comes from jump_register, and the groups run on a SIMD kernel,
//     on the calling thread and on the process's worker pool;
//  2. on the cycle, what is left (less than group_lanes cycles after that,
//     or a whole stretch too short for it) runs on lanes stripe_spacing
//     words long that read s3 from the cycle's striped table
//     (s3_stripes.hpp), as many as it holds;
//  3. in s3's tail, the stretch is cut into group_lanes lanes that each
//     carry their own s3, read from the orbit at the lane's start, and so
//     is what the striped lanes leave, if it is long enough;
//  4. what is too short for lanes runs the plain loop with s3 read from the
//     orbit.
#pragma once

#include <cstdint>

#include "zemrath/count_kernel.hpp"
#include "zemrath/random_source.hpp"

namespace zemrath {

// How a count may run: the kernel (which the processor must support) and the
// threads it may use, the calling one included (at least 1).
struct count_settings {
    count_kernel kernel = best_kernel();
    int threads = 1;
};

// A count reads s3 from its orbit (and may run on lanes) if it starts where
// this thread's last count stopped, and from orbit_stretch words on if this
// thread has the orbit at hand; from short_stretch on it walks s3's tail
// first if it must, and runs on lanes with their own s3 in the tail; from
// parallel_stretch on, a count uses settings.threads threads.
inline constexpr std::uint32_t orbit_stretch = 64;
inline constexpr std::uint32_t short_stretch = 512;
inline constexpr std::uint32_t parallel_stretch = 1u << 21;

// The most lanes sharing s3 that a stretch of n words is cut into (tests
// probe the cuts).
std::uint32_t lanes_for(std::uint32_t n, const count_settings& settings);

// The number of the next n output words greater than threshold; leaves the
// state as n calls of xorshf96 would. Several threads may count at once,
// each on its own state; a count that finds the workers busy runs on fewer
// of them, or on its calling thread alone.
std::uint32_t count_words_above(std::uint32_t n, std::uint32_t threshold, rand_state& state,
                                const count_settings& settings);

// The plain integer loop: n calls of xorshf96, each word compared.
std::uint32_t count_words_above_serial(std::uint32_t n, std::uint32_t threshold, rand_state& state);

// Moves the state as n calls of xorshf96 would, in microseconds.
void advance_stream(rand_state& state, std::uint32_t n);

}  // namespace zemrath
