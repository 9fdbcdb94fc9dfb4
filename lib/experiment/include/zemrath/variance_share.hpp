// How much of an outcome's spread comes from the parameters and how much
// from the streams themselves: every point runs the same streams, so the
// variance over all points and streams splits exactly, by the law of total
// variance, into the variance of the points' means and the mean of the
// points' variances.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "zemrath/ensemble_summary.hpp"

namespace zemrath {

// For an outcome that each stream has at the last generation (an index
// into outcome_columns: the adults, whose mean over the streams is
// adults_mean, and every share of streams in a generation, such as
// extinct_fraction, whose streams count 1 or 0). Every variance divides by
// its count and every point weighs alike. The shares are those of the
// total, and not a number when it is 0 or is not a number.
struct variance_share {
    std::size_t outcome = 0;
    double total_variance = 0;
    double points_share = 0;   // the variance of the points' means, over the total
    double streams_share = 0;  // the mean of the points' variances over the streams, over the total
};

// The outcomes that variance_shares splits, in column order.
std::vector<std::size_t> outcomes_per_stream();

// From each point's summary of its last generation (at least one point).
std::vector<variance_share> variance_shares(std::span<const generation_summary> last_generations);

}  // namespace zemrath
