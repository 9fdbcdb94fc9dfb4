// What every sensitivity measure reads from the outcomes of a design's
// points, and the pieces they share.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <span>
#include <vector>

#include "zemrath/outcomes.hpp"

namespace zemrath {

inline constexpr double not_a_number = std::numeric_limits<double>::quiet_NaN();

// Bootstraps resample with a generator apart from the one that drew the
// design: seeded with the design's seed combined with this.
inline constexpr std::uint64_t bootstrap_stream = 0xB0075781A9ull;

// Outcome `outcome` (an index into outcome_columns) at every point.
std::vector<double> outcome_values(std::span<const point_outcomes> outcomes, std::size_t outcome);

bool any_missing(std::span<const double> values);

// The level-th quantile (0 to 1) of the values that are numbers,
// interpolating between order statistics; not a number when there is none.
double percentile_of(std::vector<double> values, double level);

// bad_value unless the outcomes are one per point of the design.
void check_point_count(std::size_t expected, std::size_t given);

}  // namespace zemrath
