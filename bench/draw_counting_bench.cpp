// Draws per second of the plain per-individual loop and of the fast count
// for the same N in the same run, and the fast count's ratio to the plain
// loop ("vs_plain"): on every thread the count may use, on one thread, and on
// one thread with each SIMD kernel below the best.
#include <benchmark/benchmark.h>

#include <chrono>
#include <map>

#include "core/worker_pool.hpp"
#include "model/stage_transitions.hpp"

namespace zemrath {
namespace {

constexpr double probability = 0.5;

// The plain loop's rate by N, for the fast runs registered after it.
std::map<std::int64_t, double> plain_rates;

rand_state stream() {
    rand_state rng;
    seed_from_millisecond(rng, 2);
    return rng;
}

// Runs the counts, timing them on the wall clock (threads may share the
// work), and returns draws per second.
template <typename Count>
double timed_rate(benchmark::State& state, Count count) {
    const auto n = static_cast<std::int32_t>(state.range(0));
    std::int64_t survivors = 0;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) survivors += count(n);
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
    benchmark::DoNotOptimize(survivors);
    state.SetItemsProcessed(state.iterations() * n);
    const double rate = static_cast<double>(state.iterations()) * n / seconds.count();
    state.counters["draws_per_s"] = rate;
    return rate;
}

void plain_loop(benchmark::State& state) {
    rand_state rng = stream();
    plain_rates[state.range(0)] = timed_rate(state, [&](std::int32_t n) {
        return reference_count_draws_at_most(n, probability, rng);
    });
}

void fast_count(benchmark::State& state, count_settings settings) {
    if (!kernel_supported(settings.kernel)) {
        state.SkipWithError("this processor lacks the kernel's instructions");
        return;
    }
    rand_state rng = stream();
    fast_count_draws_at_most(1 << 20, probability, rng, settings);  // the stream's s3 orbit is built here
    const double rate = timed_rate(state, [&](std::int32_t n) {
        return fast_count_draws_at_most(n, probability, rng, settings);
    });
    const auto plain = plain_rates.find(state.range(0));
    if (plain != plain_rates.end()) state.counters["vs_plain"] = rate / plain->second;
}

void counts(benchmark::internal::Benchmark* b) {
    b->Arg(1000)->Arg(1000000)->Arg(1000000000)->UseRealTime()->Unit(benchmark::kMillisecond);
}

BENCHMARK(plain_loop)->Apply(counts);
BENCHMARK_CAPTURE(fast_count, all_threads, count_settings{best_kernel(), hardware_threads()})->Apply(counts);
BENCHMARK_CAPTURE(fast_count, one_thread, count_settings{best_kernel(), 1})->Apply(counts);
BENCHMARK_CAPTURE(fast_count, one_thread_avx2, count_settings{count_kernel::avx2, 1})->Apply(counts);
BENCHMARK_CAPTURE(fast_count, one_thread_scalar, count_settings{count_kernel::scalar, 1})->Apply(counts);

}  // namespace
}  // namespace zemrath
