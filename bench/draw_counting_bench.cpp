// Draws per second of the plain per-individual loop and of the fast count,
// on one stream whose counts follow one another, for N = 10^3 to 10^9:
//  - plain_loop: the per-individual loop;
//  - fast_count/<kernel>: the fast count on one thread with each kernel
//    ("chosen" is the one the timed trial picks, named in the label);
//    "vs_long" is its rate as a fraction of the same kernel's rate at
//    N = 10^9 (the long count), measured first in the same run, and
//    "vs_plain" its ratio to the plain loop at the same N;
//  - fast_count/all_threads: the chosen kernel on every hardware thread.
#include <benchmark/benchmark.h>

#include <chrono>
#include <map>
#include <optional>
#include <string>

#include "base/worker_pool.hpp"
#include "model/stage_transitions.hpp"

namespace zemrath {
namespace {

constexpr double probability = 0.5;
constexpr std::int64_t long_count = 1000000000;

// Rates measured so far, by benchmark and N, for the ratios of later runs.
std::map<std::int64_t, double> plain_rates;
std::map<std::pair<std::string, std::int64_t>, double> fast_rates;

// Seed 2 reaches the s3 cycle that most seeds reach (21729 values).
rand_state stream() { return seeded_state(2); }

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

// kernel: none for the chosen one.
void fast_count(benchmark::State& state, const std::string& name, std::optional<count_kernel> kernel, int threads) {
    const count_settings settings{kernel.value_or(best_kernel()), threads};
    if (!kernel_supported(settings.kernel)) {
        state.SkipWithError("this processor lacks the kernel's instructions");
        return;
    }
    state.SetLabel(std::string(kernel_name(settings.kernel)));
    rand_state rng = stream();
    fast_count_draws_at_most(1 << 20, probability, rng, settings);  // the stream's s3 reaches its cycle here
    const double rate = timed_rate(state, [&](std::int32_t n) {
        return fast_count_draws_at_most(n, probability, rng, settings);
    });
    const std::int64_t n = state.range(0);
    fast_rates[{name, n}] = rate;
    if (const auto plain = plain_rates.find(n); plain != plain_rates.end())
        state.counters["vs_plain"] = rate / plain->second;
    if (const auto long_rate = fast_rates.find({name, long_count}); long_rate != fast_rates.end())
        state.counters["vs_long"] = rate / long_rate->second;
}

void register_fast_counts(const std::string& name, std::optional<count_kernel> kernel, int threads) {
    // The long count first, so that the shorter ones can be set against it.
    benchmark::RegisterBenchmark(("fast_count/" + name).c_str(),
                                 [=](benchmark::State& state) { fast_count(state, name, kernel, threads); })
        ->Arg(long_count)
        ->Arg(1000)
        ->Arg(10000)
        ->Arg(100000)
        ->Arg(1000000)
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
}

const bool registered = [] {
    benchmark::RegisterBenchmark("plain_loop", plain_loop)
        ->Arg(1000)
        ->Arg(1000000)
        ->Arg(long_count)
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
    register_fast_counts("chosen", std::nullopt, 1);
    for (count_kernel kernel : every_count_kernel) register_fast_counts(std::string(kernel_name(kernel)), kernel, 1);
    register_fast_counts("all_threads", std::nullopt, hardware_threads());
    return true;
}();

}  // namespace
}  // namespace zemrath
