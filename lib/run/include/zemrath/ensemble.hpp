// Many streams of one parameter set at once: every seed asked for, run in
// parallel, kept in memory stream by stream.
//
// Each stream is independent and lands in its own slot, so the results never
// depend on the number of threads or on which thread ran which stream.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "zemrath/count_kernel.hpp"
#include "zemrath/error.hpp"
#include "zemrath/parameters.hpp"
#include "zemrath/stream.hpp"

namespace zemrath {

struct ensemble_options {
    // Threads working at once; 0 for every hardware thread. With several
    // streams each runs on one thread; a single stream's counts use them all.
    int threads = 0;
    // The counting kernel; none for the fastest this processor runs.
    std::optional<count_kernel> kernel;
    // Both are called on the calling thread only, at once and then about
    // every report_interval while streams run: progress with the streams done
    // so far (and once more with all of them at the end), cancel_requested to
    // ask whether to stop. A true answer starts no further stream, and those
    // under way stop at their next generation; the run then ends with
    // error_code::cancelled.
    std::function<void(std::size_t done, std::size_t total)> progress;
    std::function<bool()> cancel_requested;
    std::chrono::milliseconds report_interval{100};
};

// The rows of every stream, stream by stream in the order of the seeds: the
// rows of seeds[k] start at k * rows_per_stream.
struct ensemble_runs {
    std::vector<std::int32_t> seeds;
    std::size_t rows_per_stream = 0;
    std::vector<generation_row> rows;
    std::vector<std::uint8_t> wrapped;  // same layout; 1 where that generation's counts wrapped
};

std::span<const generation_row> stream_rows(const ensemble_runs& runs, std::size_t stream);
std::span<const std::uint8_t> stream_wrapped(const ensemble_runs& runs, std::size_t stream);

// Runs the stream of every seed (at least one, each 0 to 999; bad_value
// otherwise). Throws out_of_memory when the age classes or the rows of
// every stream cannot be had, cancelled when asked to stop.
ensemble_runs run_ensemble(const model_parameters& parameters, std::span<const std::int32_t> seeds,
                           const ensemble_options& options = {});

}  // namespace zemrath
