// Sensitivity of the outcomes to the varied parameters: the effects of one
// parameter at a time, and variance-based indices (Sobol designs, with
// bootstrap confidence intervals; eFAST designs).
#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string_view>
#include <vector>

#include "zemrath/design.hpp"
#include "zemrath/outcomes.hpp"

namespace zemrath {

// For a one-at-a-time design: an outcome at the base point and at a varied
// parameter's lowest and highest value, the others at base.
struct one_at_a_time_effect {
    std::size_t parameter = 0;  // index into the design's varied parameters
    std::size_t outcome = 0;    // index into outcome_columns
    double low_value = 0;
    double high_value = 0;
    double at_base = 0;
    double at_low = 0;
    double at_high = 0;
};

// An effect's values by name, in the order of their columns in every table
// of them (after the parameter and the outcome). The outcomes there may be
// missing (not a number), as a point's outcomes may; the others are values
// of the varied parameter.
struct effect_column {
    std::string_view name;
    double one_at_a_time_effect::*field;
    bool may_be_missing;
};
inline constexpr std::array<effect_column, 5> effect_columns = {{
    {"low_value", &one_at_a_time_effect::low_value, false},
    {"high_value", &one_at_a_time_effect::high_value, false},
    {"at_base", &one_at_a_time_effect::at_base, true},
    {"at_low", &one_at_a_time_effect::at_low, true},
    {"at_high", &one_at_a_time_effect::at_high, true},
}};

// Every parameter's effect on every outcome, parameters in design order,
// outcomes in column order. outcomes holds one entry per point of the
// design.
std::vector<one_at_a_time_effect> one_at_a_time_effects(const experiment_design& design,
                                                         std::span<const point_outcomes> outcomes);

// For a Sobol design: the first-order index (the share of an outcome's
// variance that the parameter explains alone) and the total-order index
// (its share with all its interactions), each with the 2.5th to 97.5th
// percentile interval of `resamples` bootstrap resamples of the rows.
// Indices of an outcome that does not vary over the rows of A and B (whose
// variance, the indices' denominator, is 0), or with a missing value at
// some point, are not a number, and `defined` says which. Resamples of the
// rows in which the outcome does not vary define no index and take no part
// in the interval, which is not a number when no resample defines one.
enum class index_definition {
    defined,
    outcome_constant,  // the outcome has one value at every point of A and B
    outcome_missing,   // the outcome is missing (not a number) at some point
};

struct sobol_index {
    std::size_t parameter = 0;
    std::size_t outcome = 0;
    double first_order = 0;
    double first_order_low = 0;
    double first_order_high = 0;
    double total_order = 0;
    double total_order_low = 0;
    double total_order_high = 0;
    index_definition defined = index_definition::defined;
};

// An index's values by name, in the order of their columns in every table of
// them (after the parameter and the outcome); each may be missing.
struct sobol_index_column {
    std::string_view name;
    double sobol_index::*field;
    bool may_be_missing = true;
};
inline constexpr std::array<sobol_index_column, 6> sobol_index_columns = {{
    {"first_order", &sobol_index::first_order},
    {"first_order_low", &sobol_index::first_order_low},
    {"first_order_high", &sobol_index::first_order_high},
    {"total_order", &sobol_index::total_order},
    {"total_order_low", &sobol_index::total_order_low},
    {"total_order_high", &sobol_index::total_order_high},
}};

inline constexpr int default_resamples = 1000;

std::vector<sobol_index> sobol_indices(const experiment_design& design, std::span<const point_outcomes> outcomes,
                                       int resamples = default_resamples);

// For an eFAST design, the same indices from the Fourier spectrum of the
// outcome along each parameter's search curve, with 4 harmonics (Saltelli,
// Tarantola & Chan 1999): first-order from the spectrum at the parameter's
// frequency and its harmonics, total-order from all but the low
// frequencies of the others. Each index is the mean of its estimates over
// the design's phases; the interval is that mean plus and minus 1.96 of
// its standard errors (the phases' standard deviation, dividing by one
// less than their count, over the root of the count), not a number with a
// single phase. A phase over which the outcome does not vary gives no
// estimate; outcome_constant when none does.
std::vector<sobol_index> efast_indices(const experiment_design& design, std::span<const point_outcomes> outcomes);

}  // namespace zemrath
