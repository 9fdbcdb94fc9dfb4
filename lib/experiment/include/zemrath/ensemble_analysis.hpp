// What the streams of an ensemble say together, computed once from their
// rows: the statistics of every generation and the outcomes at the last one.
// Every front end shows these numbers (the tools' files and printed lines,
// the explorer's answers, the R package's tables) and computes none of its
// own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "zemrath/ensemble.hpp"
#include "zemrath/ensemble_summary.hpp"
#include "zemrath/outcomes.hpp"

namespace zemrath {

struct ensemble_analysis {
    std::vector<std::int32_t> seeds;  // the streams, in the order of the runs
    ensemble_summary summary;         // every generation, from row 0
    point_outcomes outcomes;          // at the last generation
    std::size_t extinct_streams = 0;  // without adults at the last generation
    std::size_t wrapped_streams = 0;  // whose counts wrapped in any generation
    // The earliest generation in which any stream's counts wrapped.
    std::optional<std::int32_t> first_wrapped_generation;
};

// Needs at least one stream (bad_value otherwise).
ensemble_analysis analyse_ensemble(const ensemble_runs& runs);

// The generation the outcomes are taken at: the last one run.
std::int32_t last_generation(const ensemble_analysis& analysis);

}  // namespace zemrath
