#include "zemrath/ensemble_analysis.hpp"

#include <algorithm>

#include "base/library_call.hpp"

namespace zemrath {

namespace {

std::size_t streams_with(const std::vector<std::optional<std::int32_t>>& generations) {
    return static_cast<std::size_t>(
        std::count_if(generations.begin(), generations.end(), [](const auto& g) { return g.has_value(); }));
}

std::optional<std::int32_t> earliest(const std::vector<std::optional<std::int32_t>>& generations) {
    std::optional<std::int32_t> first;
    for (const auto& g : generations)
        if (g && (!first || *g < *first)) first = g;
    return first;
}

}  // namespace

ensemble_analysis analyse_ensemble(const ensemble_runs& runs) {
    if (runs.seeds.empty()) throw error(error_code::bad_value, "no stream to analyse");
    return library_call([&] {
        ensemble_analysis analysis;
        analysis.seeds = runs.seeds;
        analysis.summary = summarise_ensemble(runs);
        analysis.outcomes = outcomes_of(analysis.summary);
        analysis.extinct_streams = streams_with(analysis.summary.extinction_generation);
        analysis.wrapped_streams = streams_with(analysis.summary.first_wrapped_generation);
        analysis.first_wrapped_generation = earliest(analysis.summary.first_wrapped_generation);
        return analysis;
    });
}

std::int32_t last_generation(const ensemble_analysis& analysis) {
    return analysis.summary.generations.back().generation;
}

}  // namespace zemrath
