// Every selected stream of an ensemble, run in parallel and kept in memory.
//
// Each stream is independent and lands in its own slot, so the results do
// not depend on the number of threads or on which thread ran which stream.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "ensemble/stream_run.hpp"

namespace zemrath::ensemble {

// The rows of every stream, stream by stream in seed order: the rows of
// seeds[k] are at k * rows_per_stream. This is what the statistics need in
// any case (every stream's value in every generation), so runs.csv is
// written from it without further storage.
struct ensemble_runs {
    std::vector<std::int32_t> seeds;
    std::size_t rows_per_stream = 0;
    std::vector<generation_row> rows;
    std::vector<std::uint8_t> wrapped;  // same layout; 1 where that generation's counts wrapped
};

std::span<const generation_row> stream_rows(const ensemble_runs& runs, std::size_t stream);
std::span<const std::uint8_t> stream_wrapped(const ensemble_runs& runs, std::size_t stream);

// Runs every seed with up to `threads` threads (at least one). With
// show_progress, the calling thread keeps a progress line on standard error
// while the streams run. Returns false when the age-class arrays of a stream
// cannot be had; the runs are then incomplete.
bool run_ensemble(const stream_setup& setup, const std::vector<std::int32_t>& seeds,
                  unsigned threads, bool show_progress, ensemble_runs& runs);

}  // namespace zemrath::ensemble
