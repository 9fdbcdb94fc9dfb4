// The few lines zemrath-ensemble prints on standard output when it is done.
#pragma once

#include <string>

#include "zemrath/ensemble.hpp"
#include "zemrath/ensemble_summary.hpp"

namespace zemrath {

// Streams run and generations; the adults of the last generation (median and
// the 5th to 95th percentile band); how many streams died out by then and the
// median generation in which they did; whether any counts wrapped.
std::string text_summary(const ensemble_runs& runs, const ensemble_summary& summary);

}  // namespace zemrath
