// The time the sensitivity analyses take once every point has run: they
// add no ensemble runs, only arithmetic over the points' outcomes. Times
// analyse_sweep on synthetic outcomes of
//  - morris_10_parameters_50_trajectories: a Morris design of 10 parameters
//    and 50 trajectories (550 points), mu, mu_star, sigma and 1000
//    bootstrap resamples for every outcome;
//  - efast_4_parameters_129_samples: an eFAST design of 4 parameters at 129
//    samples (516 points), first- and total-order indices for every outcome;
//  - latin_hypercube_prcc_10_parameters: partial rank correlations of 10
//    parameters over 1000 points.
// Reports the analysis time per iteration and points_per_s.
#include <benchmark/benchmark.h>

#include <cmath>

#include "zemrath/design.hpp"
#include "zemrath/sweep_analysis.hpp"

namespace zemrath {
namespace {

// The eight real answers and the two integer ones.
constexpr std::size_t answers[] = {0, 1, 2, 3, 4, 5, 6, 8, 7, 9};

experiment_design design_of(design_kind kind, std::size_t parameters) {
    experiment_design design;
    design.kind = kind;
    design.sample_seed = 1;
    for (std::size_t j = 0; j < parameters; ++j) {
        varied_parameter v;
        v.answer = answers[j];
        v.from = 1;
        v.to = 20;
        design.varied.push_back(v);
    }
    return design;
}

// Every outcome a smooth function of the point's varied values.
std::vector<point_outcomes> outcomes_of(const experiment_design& design) {
    std::vector<point_outcomes> outcomes;
    for (const parameter_set& point : design_points(design)) {
        double y = 0;
        for (std::size_t j = 0; j < design.varied.size(); ++j)
            y += std::sin(answer_value(point, design.varied[j].answer)) * static_cast<double>(j + 1);
        point_outcomes o;
        for (const outcome_column& column : outcome_columns) o.*column.field = y;
        outcomes.push_back(o);
    }
    return outcomes;
}

void analysis_time(benchmark::State& state, const experiment_design& design) {
    const std::vector<point_outcomes> outcomes = outcomes_of(design);
    for (auto _ : state) benchmark::DoNotOptimize(analyse_sweep(design, outcomes));
    state.counters["points_per_s"] = benchmark::Counter(
        static_cast<double>(state.iterations() * outcomes.size()), benchmark::Counter::kIsRate);
}

void morris_10_parameters_50_trajectories(benchmark::State& state) {
    experiment_design design = design_of(design_kind::morris, 10);
    design.trajectories = 50;
    analysis_time(state, design);
}

void efast_4_parameters_129_samples(benchmark::State& state) {
    experiment_design design = design_of(design_kind::efast, 4);
    design.samples = 129;
    analysis_time(state, design);
}

void latin_hypercube_prcc_10_parameters(benchmark::State& state) {
    experiment_design design = design_of(design_kind::latin_hypercube, 10);
    design.samples = 1000;
    analysis_time(state, design);
}

BENCHMARK(morris_10_parameters_50_trajectories)->Unit(benchmark::kMillisecond);
BENCHMARK(efast_4_parameters_129_samples)->Unit(benchmark::kMillisecond);
BENCHMARK(latin_hypercube_prcc_10_parameters)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zemrath
