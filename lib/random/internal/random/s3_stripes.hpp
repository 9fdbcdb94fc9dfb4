// Striped s3 tables: the s3 words of lanes spaced a fixed number of steps
// apart, side by side, so that lanes anywhere on a cycle read their own s3
// with one load a step.
//
// Lanes that step s3 themselves pay a multiplication, a subtraction and a
// minimum every step; lanes that share s3 must be whole cycles apart, which
// a count shorter than group_lanes cycles cannot give them. Row j of a
// cycle's striped table holds the values at phases j, j + stripe_spacing,
// ..., j + (stripe_width - 1) stripe_spacing (modulo the length), so
// stripe_width lanes spaced stripe_spacing apart, from any phase, read one
// row a step and the next row the step after.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace zemrath {

// The spacings that have tables, longest first: long lanes, whose starts (a
// register jump for sixteen lanes at once) their words pay for many times
// over, for the bulk of a count, and shorter ones for what the longer ones
// leave and for short counts, so that little is left to the plain loop.
inline constexpr std::array<std::uint32_t, 3> stripe_spacings = {1024, 128, 16};

// The lanes a row serves: one 256-bit vector.
inline constexpr int stripe_width = 8;

// Cycles longer than this get no tables (each is 32 bytes a value); their
// counts take the lanes with s3 of their own.
inline constexpr std::uint32_t max_striped_cycle = 1u << 17;

// The striped table for `spacing` of the cycle whose values (by phase) are
// given: row j (words stripe_width j to stripe_width j + stripe_width - 1)
// holds the values at phases (j + i spacing) % length XOR 2^31 (biased as
// the lane kernels read s3), for i from 0. It has length + spacing rows, so
// that `spacing` steps from any phase read it without wrapping. Empty for a
// cycle longer than max_striped_cycle.
std::vector<std::uint32_t> striped_rows(const std::vector<std::uint32_t>& values, std::uint32_t spacing);

}  // namespace zemrath
