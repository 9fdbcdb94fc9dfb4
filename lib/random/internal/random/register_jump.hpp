// Moving the xorshift register ahead by many steps at once.
//
// One step of xorshf96 maps (s0, s1, s2) to (s1, s2, n) with n built from
// shifts and XORs only: the map is linear over GF(2) on the 96 register bits
// and independent of s3. Moving d steps ahead is therefore a product of
// precomputed powers of its 96 x 96 bit matrix, one per set bit of d, which
// costs microseconds instead of d steps. A jump made many times over (the
// lane starts of a count) has a table of its own, and costs one matrix.
#pragma once

#include <cstdint>

#include "random/count_kernels.hpp"
#include "zemrath/random_source.hpp"

namespace zemrath {

// Moves s0, s1 and s2 as `steps` calls of xorshf96 would; s3 is left as it
// is. The tables are built on first use (thread-safe) and never change.
void jump_register(rand_state& state, std::uint32_t steps);

// A jump by one number of steps as a single matrix.
struct jump_table;

// The longest jump of at most `steps` steps that has a table: steps with
// every binary digit after its leading four cleared.
std::uint32_t tabled_jump(std::uint32_t steps);

// The table of a jump of `steps` steps, where steps == tabled_jump(steps):
// built on first use (thread-safe) and kept, unchanged, for the process.
const jump_table& jump_table_for(std::uint32_t steps);

// Moves s0, s1 and s2 by the table's steps; s3 is left as it is.
void jump_register(rand_state& state, const jump_table& table);

// Puts the register of lane l of the group where `start`'s would be after
// l x stripe_spacings[stripe] steps (s3 and above are left as they are):
// the lanes of a striped count, all in one pass over a table built on first
// use (thread-safe) and kept for the process.
void spread_lanes(const rand_state& start, std::size_t stripe, lane_group& lanes);

}  // namespace zemrath
