// The explorer's memory bound against what its computations really
// allocate: for a few shapes of query (long single streams, where the
// summary and the answer of each generation count, and many streams, where
// the rows do), the most memory live at once while the query is computed and
// each of its answers is made, and memory_needed for it. Reports peak_bytes,
// bound_bytes and bound_vs_peak, which must stay above 1.
//
// The count is of every allocation through operator new, which is how the
// library, the summary and the answers take their memory.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

#include "explore/api_responses.hpp"
#include "explore/command_line.hpp"
#include "explore/computation.hpp"
#include "explore/memory_bound.hpp"
#include "results/csv_tables.hpp"
#include "results/report_svg.hpp"

namespace {

std::atomic<std::size_t> live_bytes{0};
std::atomic<std::size_t> peak_bytes{0};

// Each block carries its size in front, so that its release counts it off.
constexpr std::size_t size_slot = alignof(std::max_align_t);

void* counted_allocation(std::size_t size) {
    void* block = std::malloc(size + size_slot);
    if (block == nullptr) throw std::bad_alloc();
    *static_cast<std::size_t*>(block) = size;
    const std::size_t now = live_bytes += size;
    std::size_t peak = peak_bytes.load();
    while (now > peak && !peak_bytes.compare_exchange_weak(peak, now)) {
    }
    return static_cast<char*>(block) + size_slot;
}

void counted_release(void* memory) noexcept {
    if (memory == nullptr) return;
    char* block = static_cast<char*>(memory) - size_slot;
    live_bytes -= *reinterpret_cast<std::size_t*>(block);
    std::free(block);
}

}  // namespace

void* operator new(std::size_t size) { return counted_allocation(size); }
void* operator new[](std::size_t size) { return counted_allocation(size); }
void operator delete(void* memory) noexcept { counted_release(memory); }
void operator delete[](void* memory) noexcept { counted_release(memory); }
void operator delete(void* memory, std::size_t) noexcept { counted_release(memory); }
void operator delete[](void* memory, std::size_t) noexcept { counted_release(memory); }

namespace zemrath::explore {
namespace {

// The README's example with surviving populations, for these generations and seeds.
ensemble_query query_of(const std::string& generations, const std::string& seeds) {
    query_fields fields;
    const char* names[] = {"embryo-larval-survival", "max-juvenile-survival", "adult-survival",
                           "carrying-capacity",      "weight-increase-rate",  "growth-inhibition",
                           "weight-at-one-year",     "max-reproduction-age",  "fecundity-rate"};
    const char* values[] = {"0.013", "0.8", "0.6", "400", "2", "0.5", "0.1", "4", "1"};
    for (std::size_t i = 0; i < std::size(names); ++i) fields.emplace_back(names[i], values[i]);
    fields.emplace_back("generations", generations);
    fields.emplace_back("seeds", seeds);
    return read_query(fields);
}

// The most memory live while the query is computed and answered in every
// form, above what was live before.
std::size_t peak_while_answering(const ensemble_query& query) {
    const std::size_t before = live_bytes;
    peak_bytes = before;
    computation_state state;
    const auto result = compute(state, query);
    benchmark::DoNotOptimize(ensemble_json(*result).size());
    std::string csv;
    results::write_summary_csv(result->analysis.summary, [&csv](std::string_view piece) { csv += piece; });
    benchmark::DoNotOptimize(csv.size());
    benchmark::DoNotOptimize(results::report_svg(result->runs, result->analysis, result->answers.values).size());
    return peak_bytes - before;
}

void memory_of_a_computation(benchmark::State& state, const std::string& generations, const std::string& seeds) {
    const ensemble_query query = query_of(generations, seeds);
    std::size_t peak = 0;
    for (auto _ : state) peak = peak_while_answering(query);
    const double bound = static_cast<double>(memory_needed(query));
    state.counters["peak_bytes"] = static_cast<double>(peak);
    state.counters["bound_bytes"] = bound;
    state.counters["bound_vs_peak"] = bound / static_cast<double>(peak);
}

BENCHMARK_CAPTURE(memory_of_a_computation, one_stream_300000_generations, std::string("300000"), std::string("7"))
    ->Unit(benchmark::kSecond)->Iterations(1);
BENCHMARK_CAPTURE(memory_of_a_computation, ten_streams_100000_generations, std::string("100000"),
                  std::string("0-9"))->Unit(benchmark::kSecond)->Iterations(1);
BENCHMARK_CAPTURE(memory_of_a_computation, all_streams_2000_generations, std::string("2000"), std::string("0-999"))
    ->Unit(benchmark::kSecond)->Iterations(1);
BENCHMARK_CAPTURE(memory_of_a_computation, all_streams_50_generations, std::string("50"), std::string("0-999"))
    ->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace
}  // namespace zemrath::explore
