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
#include <benchmark/benchmark.h>

#include <chrono>
#include <fstream>
#include <string>
#include <vector>

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

BENCHMARK(plain_path)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(fast_path)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(huge_age_limit_fast_path)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zemrath
