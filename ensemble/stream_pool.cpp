#include "ensemble/stream_pool.hpp"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "driver/run.hpp"
#include "random/stream_counting.hpp"
#include "ensemble/progress.hpp"

namespace zemrath::ensemble {

namespace {

// Shared by the workers: the next stream to take, how many are done, and
// whether any failed (then the others stop taking streams).
struct work_queue {
    std::atomic<std::size_t> next{0};
    std::atomic<bool> failed{false};
    std::mutex mutex;
    std::condition_variable changed;
    std::size_t done = 0;  // guarded by mutex
};

// One stream's stretch of rows or wrapped flags.
template <typename Values>
auto stream_slice(Values& values, std::size_t rows_per_stream, std::size_t stream) {
    return std::span(values).subspan(stream * rows_per_stream, rows_per_stream);
}

void work(const stream_setup& setup, ensemble_runs& runs, work_queue& queue) {
    // The floating-point environment is per thread, and the weights depend on it.
    set_floating_point_environment();
    for (;;) {
        const std::size_t stream = queue.next.fetch_add(1);
        if (stream >= runs.seeds.size() || queue.failed) break;
        const bool ran = run_stream(setup, runs.seeds[stream],
                                    stream_slice(runs.rows, runs.rows_per_stream, stream),
                                    stream_slice(runs.wrapped, runs.rows_per_stream, stream));
        if (!ran) queue.failed = true;
        {
            const std::lock_guard lock(queue.mutex);
            ++queue.done;
        }
        queue.changed.notify_one();
    }
}

}  // namespace

std::span<const generation_row> stream_rows(const ensemble_runs& runs, std::size_t stream) {
    return stream_slice(runs.rows, runs.rows_per_stream, stream);
}

std::span<const std::uint8_t> stream_wrapped(const ensemble_runs& runs, std::size_t stream) {
    return stream_slice(runs.wrapped, runs.rows_per_stream, stream);
}

bool run_ensemble(const stream_setup& setup, const std::vector<std::int32_t>& seeds,
                  unsigned threads, bool show_progress, ensemble_runs& runs) {
    runs.seeds = seeds;
    runs.rows_per_stream = rows_per_stream(setup.parameters);
    runs.rows.assign(seeds.size() * runs.rows_per_stream, generation_row{});
    runs.wrapped.assign(seeds.size() * runs.rows_per_stream, 0);

    work_queue queue;
    const std::size_t workers = std::clamp<std::size_t>(threads, 1, std::max<std::size_t>(seeds.size(), 1));
    // One stream per worker already fills the cores: a stream's counts then
    // stay on its own thread instead of competing for the count workers.
    if (workers > 1) set_count_threads(1);
    std::vector<std::thread> pool;
    for (std::size_t i = 0; i < workers; ++i)
        pool.emplace_back(work, std::cref(setup), std::ref(runs), std::ref(queue));

    const auto start = std::chrono::steady_clock::now();
    const auto elapsed = [&] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    for (;;) {
        std::size_t done = 0;
        {
            std::unique_lock lock(queue.mutex);
            queue.changed.wait_for(lock, std::chrono::milliseconds(250), [&] {
                return queue.done == seeds.size() || queue.failed;
            });
            done = queue.done;
        }
        if (done == seeds.size() || queue.failed) break;
        if (show_progress) show_progress_line(done, seeds.size(), elapsed());
    }
    for (std::thread& thread : pool) thread.join();
    if (show_progress) clear_progress_line();
    return !queue.failed;
}

}  // namespace zemrath::ensemble
