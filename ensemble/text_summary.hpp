// The few lines zemrath-ensemble prints on standard output when it is done.
#pragma once

#include <string>

#include "ensemble/ensemble_summary.hpp"
#include "ensemble/stream_pool.hpp"

namespace zemrath::ensemble {

// Streams run and generations; the adults of the last generation (median and
// the 5th to 95th percentile band); how many streams died out by then and the
// median generation in which they did; whether any counts wrapped.
std::string text_summary(const ensemble_runs& runs, const ensemble_summary& summary);

}  // namespace zemrath::ensemble
