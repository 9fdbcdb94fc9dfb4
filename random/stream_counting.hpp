// Counting over a long stretch of the stream without drawing word by word.
//
// count_words_above returns exactly what n calls of xorshf96 would give: the
// number of output words greater than a threshold, and the state those calls
// leave. A short stretch runs the plain integer loop. A long one:
//  1. looks s3 up in its orbit (s3_orbit); while s3 is still in the orbit's
//     tail, the plain loop runs;
//  2. on the cycle, cuts the stretch into lanes whose lengths are whole
//     multiples of the cycle length, so that all lanes read the same s3 at
//     every step; each lane's register start comes from jump_register, and
//     groups of lanes run on a SIMD kernel, on the calling thread and on the
//     process's worker pool;
//  3. runs the plain loop over the last part, shorter than one cycle.
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

// Stretches shorter than this run the plain loop; from parallel_stretch on,
// a count uses settings.threads threads.
inline constexpr std::uint32_t short_stretch = 2048;
inline constexpr std::uint32_t parallel_stretch = 1u << 21;

// The most lanes a stretch of n words is cut into (tests probe the cuts).
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
