// The orbit of the multiplicative word s3.
//
// s3 evolves on its own (next_s3), never looking at the register, so from any
// start it runs through a tail into a cycle: a few tens of thousands of values
// for the words met in practice. With the orbit kept as a table, the s3 of
// any future step is a look-up, and step counts that are multiples of the
// cycle length leave s3 unchanged once it is on the cycle.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace zemrath {

struct s3_orbit {
    std::uint32_t tail = 0;   // values before the first value on the cycle
    std::uint32_t cycle = 0;  // cycle length; 0 for an orbit not built
    // values[k]: s3 after k steps from the start, for k < tail + cycle; all
    // distinct, and step tail + cycle gives values[tail] again.
    std::vector<std::uint32_t> values;
    // Open-addressing index of values: position + 1, 0 for an empty slot.
    std::vector<std::uint32_t> index;
    // The cycle from values[tail] on, each word XOR 2^31 (so that a signed
    // comparison orders the output words as unsigned ones), repeated past its
    // end by at least max(cycle, cycle_overhang) entries: any stretch of that
    // many steps from any phase reads it without wrapping.
    std::vector<std::uint32_t> biased_cycle;
};

inline constexpr std::uint32_t cycle_overhang = 4096;

// Orbits longer than this are not built, and their streams are counted
// word by word. The longest met, over the 1000 seeded words and many random
// ones, is about 114000 values; this bounds an orbit's tables to about 20 MB.
inline constexpr std::uint32_t max_orbit_length = 1u << 20;

// Finds tail and cycle by cycle detection and fills the tables. Returns
// false, leaving the orbit empty, when tail + cycle exceeds max_length.
bool build_s3_orbit(s3_orbit& orbit, std::uint32_t start, std::uint32_t max_length = max_orbit_length);

// Where value lies in the orbit's values, if it does.
std::optional<std::uint32_t> orbit_position(const s3_orbit& orbit, std::uint32_t value);

// The position `steps` steps after position (the cycle wraps around).
std::uint32_t orbit_position_after(const s3_orbit& orbit, std::uint32_t position, std::uint64_t steps);

// An orbit holding a given s3 and the s3's position in it.
struct s3_place {
    const s3_orbit* orbit = nullptr;  // nullptr: the orbit is too long to keep
    std::uint32_t position = 0;
};

// Looks s3 up in the few orbits this thread keeps (a stream's later s3 words
// lie on the orbit built for an earlier one), building its orbit when none
// holds it. The place stays valid until this thread's next call; every
// thread has its own orbits, so no lock is needed.
s3_place locate_s3(std::uint32_t s3);

}  // namespace zemrath
