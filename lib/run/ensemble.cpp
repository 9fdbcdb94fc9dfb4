#include "zemrath/ensemble.hpp"

#include <algorithm>
#include <atomic>
#include <new>
#include <string>

#include "base/library_call.hpp"
#include "base/worker_pool.hpp"

namespace zemrath {

namespace {

template <typename Values>
auto stream_slice(Values& values, std::size_t rows_per_stream, std::size_t stream) {
    return std::span(values).subspan(stream * rows_per_stream, rows_per_stream);
}

void check_seeds(std::span<const std::int32_t> seeds) {
    if (seeds.empty()) throw error(error_code::bad_value, "no seed to run", "seeds");
    for (std::int32_t seed : seeds)
        if (seed < 0 || seed >= seed_count)
            throw error(error_code::bad_value, "seed " + std::to_string(seed) + " is not a whole number from 0 to 999",
                        "seeds");
}

void allocate_rows(ensemble_runs& runs, std::span<const std::int32_t> seeds, const model_parameters& parameters) {
    try {
        runs.seeds.assign(seeds.begin(), seeds.end());
        runs.rows_per_stream = rows_per_stream(parameters);
        runs.rows.assign(seeds.size() * runs.rows_per_stream, generation_row{});
        runs.wrapped.assign(seeds.size() * runs.rows_per_stream, 0);
    } catch (const std::bad_alloc&) {
        throw error(error_code::out_of_memory, "not enough memory for the rows of every stream");
    } catch (const std::length_error&) {
        throw error(error_code::out_of_memory, "not enough memory for the rows of every stream");
    }
}

// The run of one stream into its slot.
// Runs stream k into its slot. Returns early, its rows unfinished, once
// `stop` is set: a cancelled ensemble stops within a generation, however
// long its streams are.
void run_into(ensemble_runs& runs, std::size_t k, const model_parameters& parameters,
              const stream_options& options, const std::atomic<bool>& stop) {
    stream s;
    try {
        s = create_stream(parameters, options);
    } catch (const error& failure) {
        if (failure.code() != error_code::out_of_memory) throw;
        throw error(error_code::out_of_memory, "not enough memory for " +
                                                   std::to_string(parameters.max_reproduction_age) + " age classes");
    }
    seed_stream(s, runs.seeds[k]);
    const std::span<generation_row> rows = stream_slice(runs.rows, runs.rows_per_stream, k);
    const std::span<std::uint8_t> wrapped = stream_slice(runs.wrapped, runs.rows_per_stream, k);
    rows[0] = first_row(s);
    for (std::size_t g = 1; g < rows.size() && !stop.load(std::memory_order_relaxed); ++g) {
        rows[g] = next_generation(s);
        wrapped[g] = last_generation_wrapped(s) ? 1 : 0;
    }
}

}  // namespace

std::span<const generation_row> stream_rows(const ensemble_runs& runs, std::size_t stream) {
    return stream_slice(runs.rows, runs.rows_per_stream, stream);
}

std::span<const std::uint8_t> stream_wrapped(const ensemble_runs& runs, std::size_t stream) {
    return stream_slice(runs.wrapped, runs.rows_per_stream, stream);
}

ensemble_runs run_ensemble(const model_parameters& parameters, std::span<const std::int32_t> seeds,
                           const ensemble_options& options) {
    check_seeds(seeds);
    return library_call([&] {
        ensemble_runs runs;
        allocate_rows(runs, seeds, parameters);
        const int threads = resolve_threads(options.threads);
        const std::size_t workers = std::min<std::size_t>(static_cast<std::size_t>(threads), seeds.size());
        // One stream per worker already fills the threads; a lone stream
        // spreads its counts over all of them instead.
        const stream_options per_stream{workers > 1 ? 1 : threads, options.kernel, false};
        std::atomic<bool> stop{false};
        const auto watch = [&](std::size_t done) {
            if (options.progress) options.progress(done, seeds.size());
            if (options.cancel_requested && options.cancel_requested()) stop = true;
            return !stop.load();
        };
        const bool completed = parallel_for_watched(
            seeds.size(), static_cast<int>(workers),
            [&](std::size_t k) { run_into(runs, k, parameters, per_stream, stop); }, watch, options.report_interval);
        if (!completed) throw error(error_code::cancelled, "cancelled");
        if (options.progress) options.progress(seeds.size(), seeds.size());
        return runs;
    });
}

}  // namespace zemrath
