// The few lines that tell a person what an ensemble's streams say together,
// as zemrath-ensemble prints them, the explorer shows them and the R
// package's summary() prints them.
#pragma once

#include <string>

#include "zemrath/ensemble_analysis.hpp"

namespace zemrath::text {

// Streams run and generations; the adults of the last generation (median and
// the 5th to 95th percentile band); how many streams died out by then and the
// median generation in which they did; whether any counts wrapped.
std::string ensemble_summary_text(const ensemble_analysis& analysis);

}  // namespace zemrath::text
