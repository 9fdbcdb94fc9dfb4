// What one point of an experiment comes to: a few numbers from all of its
// streams, at the last generation, that experiments compare across points.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

#include "zemrath/ensemble.hpp"
#include "zemrath/ensemble_summary.hpp"

namespace zemrath {

struct point_outcomes {
    double extinct_fraction = 0;  // streams without adults at the last generation
    double adults_mean = 0;       // adults at the last generation, over the streams
    double adults_p5 = 0;
    double adults_p50 = 0;
    double adults_p95 = 0;
    // The median of the generations in which the extinct streams died out;
    // not a number when no stream did.
    double median_extinction_generation = 0;
    double wrapped_fraction = 0;  // streams whose counts wrapped in any generation
};

// The outcomes by name, in the order of their columns.
struct outcome_column {
    std::string_view name;
    double point_outcomes::*field;
};
inline constexpr std::array<outcome_column, 7> outcome_columns = {{
    {"extinct_fraction", &point_outcomes::extinct_fraction},
    {"adults_mean", &point_outcomes::adults_mean},
    {"adults_p5", &point_outcomes::adults_p5},
    {"adults_p50", &point_outcomes::adults_p50},
    {"adults_p95", &point_outcomes::adults_p95},
    {"median_extinction_generation", &point_outcomes::median_extinction_generation},
    {"wrapped_fraction", &point_outcomes::wrapped_fraction},
}};

// The outcomes of an ensemble's streams, from their summary.
point_outcomes outcomes_of(const ensemble_summary& summary);

// Whether an outcome (an index into outcome_columns) is a statistic of one
// generation, which the summary of every generation gives (the share
// extinct, the adults' statistics), rather than one of each stream's whole
// run (the median generation of extinction, the share of streams whose
// counts ever wrapped).
bool is_generation_statistic(std::size_t outcome);

// The outcomes at one generation, from its summary alone: those that are
// statistics of one generation, and not a number for the others.
point_outcomes outcomes_at(const generation_summary& generation);

}  // namespace zemrath
