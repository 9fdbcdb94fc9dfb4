// Points per second of an experiment: a 64-point grid (8 carrying
// capacities x 8 adult survivals) of small scenarios, every point run over
// all 1000 streams and summed up as the sweep tool does it (without its
// files). Reports points_per_s and streams_per_s.
#include <benchmark/benchmark.h>

#include "zemrath/design.hpp"
#include "zemrath/ensemble.hpp"
#include "zemrath/ensemble_summary.hpp"
#include "zemrath/outcomes.hpp"
#include "zemrath/seed_list.hpp"

namespace zemrath {
namespace {

experiment_design small_grid() {
    experiment_design design;
    parameter_set& base = design.base;
    base.embryo_larval_survival = 0.013;
    base.max_juvenile_survival = 0.8;
    base.adult_survival = 0.5;
    base.carrying_capacity = 400;
    base.weight_increase_rate = 2;
    base.growth_inhibition = 0.5;
    base.weight_at_one_year = 0.1;
    base.max_reproduction_age = 4;
    base.fecundity_rate = 1;
    base.generations = 50;
    varied_parameter capacity;
    capacity.answer = 3;
    capacity.from = 100;
    capacity.to = 3200;
    capacity.points = 8;
    capacity.scale = value_scale::log;
    varied_parameter survival;
    survival.answer = 2;
    survival.from = 0.3;
    survival.to = 0.65;
    survival.points = 8;
    design.varied = {capacity, survival};
    return design;
}

void grid_of_small_scenarios(benchmark::State& state) {
    const std::vector<parameter_set> points = design_points(small_grid());
    const std::vector<std::int32_t> seeds = all_seeds();
    double extinct = 0;
    for (auto _ : state)
        for (const parameter_set& point : points) {
            const ensemble_runs runs = run_ensemble(derive_model_parameters(point), seeds);
            extinct += outcomes_of(summarise_ensemble(runs)).extinct_fraction;
        }
    benchmark::DoNotOptimize(extinct);
    const double all_points = static_cast<double>(state.iterations() * points.size());
    state.counters["points_per_s"] = benchmark::Counter(all_points, benchmark::Counter::kIsRate);
    state.counters["streams_per_s"] = benchmark::Counter(all_points * 1000, benchmark::Counter::kIsRate);
}

BENCHMARK(grid_of_small_scenarios)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);

}  // namespace
}  // namespace zemrath
