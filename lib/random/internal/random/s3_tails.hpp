// The tails of s3 orbits walked so far, shared by every thread.
//
// Tails merge long before they reach a cycle: the 1000 seeded words walk
// 32 million steps to their cycles, over only 2.3 million distinct values.
// Every tail walked is stored once, as far as it was new, with a link to
// where it joined a stored tail or a cycle. A later walk that meets a
// landmark (s3_cycles) of a stored tail copies the rest of its tail instead
// of stepping through it. Stored tails never change and are never freed.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "random/s3_cycles.hpp"

namespace zemrath {

// A stored tail and a position on it.
struct stored_tail;

struct tail_place {
    const stored_tail* tail = nullptr;  // nullptr: not on a stored tail
    std::uint32_t position = 0;
};

// Where a landmark lies on the stored tails, if it does.
tail_place find_landmark_on_stored_tail(std::uint32_t landmark);

// Appends the values of the stored tails from `place` on, up to the cycle,
// to `values`, and returns the place on the cycle of the value after them.
cycle_place copy_stored_tail(const tail_place& place, std::vector<std::uint32_t>& values);

// Stores a newly walked tail, whose next value lies at `next` on a stored
// tail (or, when next has no tail, at `entry` on a cycle), unless the
// store is full (stored_tail_limit values). Thread-safe.
void store_tail(std::span<const std::uint32_t> values, const tail_place& next, const cycle_place& entry);

// Enough for the tails of many thousand seeds (64 MB).
inline constexpr std::size_t stored_tail_limit = std::size_t{1} << 24;

}  // namespace zemrath
