// The design's own random numbers: a small generator fixed to the bit
// (splitmix64), so that a design's sampled points are the same on every
// platform and in every program, whatever their standard library.
#pragma once

#include <cstdint>

namespace zemrath {

struct design_random {
    std::uint64_t state = 0;
};

inline std::uint64_t next_word(design_random& random) {
    std::uint64_t z = (random.state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

// Uniform in [0, 1), a multiple of 2^-53.
inline double next_unit(design_random& random) {
    return static_cast<double>(next_word(random) >> 11) * 0x1.0p-53;
}

// Uniform in 0 to n - 1, without the bias of a plain remainder.
inline std::uint64_t next_below(design_random& random, std::uint64_t n) {
    const std::uint64_t limit = ~std::uint64_t{0} - (~std::uint64_t{0} % n);
    std::uint64_t word = next_word(random);
    while (word >= limit) word = next_word(random);
    return word % n;
}

}  // namespace zemrath
