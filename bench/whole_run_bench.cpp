// Whole runs of a standard large workload, with the plain path (two arrays
// shifted and copied, every draw by the plain loop) and with the fast path,
// and the fast run's speed-up ("vs_plain"). The fast run checks that its
// rows are the plain run's.
//
// The workload: embryo-larval survival 0.5, maximum juvenile survival 0.8,
// adult survival 0.5, carrying capacity 2000000, growth r 2, a 0.5, w1 0.1,
// 8 age classes, fecundity 6, 8 generations. From generation 5 on it makes
// 0.7 to 1.1 billion draws a generation, 4.2 billion in all, and no count
// wraps.
//
// huge_age_limit runs 20 generations with 500000000 age classes (a smaller
// population: carrying capacity 20000, adult survival 0.9, fecundity 1) on
// the fast path, and reports by how much the runs raised the peak resident
// memory (in kilobytes; two arrays of 2 GB each are taken, and only what the
// run reaches is touched).
//
// small_ensemble runs all 1000 streams of a small scenario (the answers 0.1
// 0.8 0.5 1000 1.5 0.5 0.1 10 3 50: counts of ten to a few hundred thousand
// draws, 6.5 billion draws in all) with run_ensemble on one thread and on
// every hardware thread, and reports streams and draws per second, and the
// draws per second as a fraction of the chosen kernel's long-count rate on
// one thread (long_count, 10^9 draws, measured first) times the threads
// ("vs_long").
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <string>
#include <vector>

#include "run/population.hpp"
#include "base/worker_pool.hpp"
#include "zemrath/ensemble.hpp"
#include "zemrath/seed_list.hpp"
#include "zemrath/stream.hpp"

namespace zemrath {
namespace {

parameter_set large_workload() {
    parameter_set p;  // as answered
    p.embryo_larval_survival = 0.5;
    p.max_juvenile_survival = 0.8;
    p.adult_survival = 0.5;
    p.carrying_capacity = 2e6;
    p.weight_increase_rate = 2.0;
    p.growth_inhibition = 0.5;
    p.weight_at_one_year = 0.1;
    p.max_reproduction_age = 8;
    p.fecundity_rate = 6.0;
    p.generations = 8;
    return p;
}

parameter_set huge_age_limit() {
    parameter_set p = large_workload();
    p.adult_survival = 0.9;
    p.carrying_capacity = 2e4;
    p.max_reproduction_age = 500000000;
    p.fecundity_rate = 1.0;
    p.generations = 20;
    return p;
}

std::vector<generation_row> whole_run(const parameter_set& answers, bool reference) {
    try {
        return run_stream(derive_model_parameters(answers), 0, stream_options{0, std::nullopt, reference});
    } catch (const error&) {
        return {};
    }
}

std::vector<generation_row> plain_rows;
double plain_seconds = 0;

double timed_runs(benchmark::State& state, const parameter_set& answers, bool reference,
                  std::vector<generation_row>& rows) {
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) rows = whole_run(answers, reference);
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
    return seconds.count() / static_cast<double>(state.iterations());
}

void plain_path(benchmark::State& state) {
    plain_seconds = timed_runs(state, large_workload(), true, plain_rows);
    for (const generation_row& row : plain_rows)
        if (row.embryos < 0 || row.larvae < 0 || row.adults < 0) state.SkipWithError("a count wrapped");
}

void fast_path(benchmark::State& state) {
    std::vector<generation_row> rows;
    const double seconds = timed_runs(state, large_workload(), false, rows);
    if (plain_rows.empty()) return;
    if (rows != plain_rows) state.SkipWithError("the fast rows differ from the plain ones");
    state.counters["vs_plain"] = plain_seconds / seconds;
}

// A line of /proc/self/status ("VmRSS", "VmHWM") in kilobytes; -1 if absent.
long status_kilobytes(const std::string& field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field + ":", 0) == 0) return std::stol(line.substr(field.size() + 1));
    return -1;
}

void huge_age_limit_fast_path(benchmark::State& state) {
    // Writing 5 to clear_refs resets the peak (VmHWM) to the current size.
    std::ofstream("/proc/self/clear_refs") << "5";
    const long resident_before = status_kilobytes("VmRSS");
    std::vector<generation_row> rows;
    timed_runs(state, huge_age_limit(), false, rows);
    if (rows.empty()) state.SkipWithError("the age-class arrays could not be had");
    const long peak = status_kilobytes("VmHWM");
    if (resident_before >= 0 && peak >= 0) state.counters["added_peak_kB"] = static_cast<double>(peak - resident_before);
}

parameter_set small_scenario() {
    parameter_set p;
    p.embryo_larval_survival = 0.1;
    p.max_juvenile_survival = 0.8;
    p.adult_survival = 0.5;
    p.carrying_capacity = 1000;
    p.weight_increase_rate = 1.5;
    p.growth_inhibition = 0.5;
    p.weight_at_one_year = 0.1;
    p.max_reproduction_age = 10;
    p.fecundity_rate = 3.0;
    p.generations = 50;
    return p;
}

// The draws of one stream: in every generation one per adult after ageing
// (the recruits and every class but the last, which leaves), one per embryo
// and one per larva.
std::uint64_t draws_of_stream(const model_parameters& parameters, std::int32_t seed) {
    population state;
    create_population(state, parameters);
    rand_state rng = seeded_state(seed);
    const count_settings settings{best_kernel(), 1};
    std::uint64_t draws = 0;
    for (std::int32_t generation = 1; generation <= parameters.generations; ++generation) {
        std::int64_t adults = state.recruits;
        for (std::int32_t age_class = 1; age_class < parameters.max_reproduction_age; ++age_class)
            adults += adult_count(state.adults, age_class);
        const generation_row row = advance_generation(state, parameters, generation, rng, settings);
        draws += static_cast<std::uint64_t>(adults) + static_cast<std::uint64_t>(std::max(row.embryos, 0)) +
                 static_cast<std::uint64_t>(std::max(row.larvae, 0));
    }
    return draws;
}

double long_count_rate = 0;

void long_count(benchmark::State& state) {
    const count_settings settings{best_kernel(), 1};
    state.SetLabel(std::string(kernel_name(settings.kernel)));
    constexpr std::int32_t n = 1000000000;
    rand_state rng = seeded_state(2);
    std::int64_t survivors = 0;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) survivors += fast_count_draws_at_most(n, 0.5, rng, settings);
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
    benchmark::DoNotOptimize(survivors);
    long_count_rate = static_cast<double>(state.iterations()) * n / seconds.count();
    state.counters["draws_per_s"] = long_count_rate;
}

void small_ensemble(benchmark::State& state) {
    const model_parameters parameters = derive_model_parameters(small_scenario());
    const std::vector<std::int32_t> seeds = all_seeds();
    std::uint64_t draws = 0;
    for (std::int32_t seed : seeds) draws += draws_of_stream(parameters, seed);
    ensemble_options options;
    options.threads = static_cast<int>(state.range(0));
    const int threads = std::min(resolve_threads(options.threads), static_cast<int>(seeds.size()));
    state.SetLabel(std::string(kernel_name(best_kernel())) + ", " + std::to_string(threads) + " threads");

    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) benchmark::DoNotOptimize(run_ensemble(parameters, seeds, options).rows.data());
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
    const double runs = static_cast<double>(state.iterations());
    const double draws_per_s = runs * static_cast<double>(draws) / seconds.count();
    state.counters["streams_per_s"] = runs * static_cast<double>(seeds.size()) / seconds.count();
    state.counters["draws_per_s"] = draws_per_s;
    if (long_count_rate > 0) state.counters["vs_long"] = draws_per_s / (long_count_rate * threads);
}

BENCHMARK(plain_path)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(fast_path)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(huge_age_limit_fast_path)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(long_count)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(small_ensemble)->Arg(1)->Arg(0)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zemrath
