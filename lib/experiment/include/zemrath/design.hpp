// Experiment designs: which parameter sets an experiment runs, and in which
// order. Every program that runs experiments (the sweep tool, the R
// package) takes its points from here, so the same design gives the same
// points in the same order everywhere.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "zemrath/parameters.hpp"

namespace zemrath {

enum class design_kind {
    grid,             // every combination of the varied parameters' values; the first varies slowest
    one_at_a_time,    // the base point, then each varied parameter over its values, the others at base
    latin_hypercube,  // `samples` points, each parameter stratified over its range (or its values)
    sobol,            // a Saltelli design for first- and total-order variance-based indices
};

inline constexpr std::array<design_kind, 4> every_design_kind = {design_kind::grid, design_kind::one_at_a_time,
                                                                 design_kind::latin_hypercube, design_kind::sobol};

// "grid", "one-at-a-time", "latin-hypercube", "sobol", and back.
std::string_view design_kind_name(design_kind kind);
std::optional<design_kind> design_kind_named(std::string_view name);

enum class value_scale { linear, log };

// The values one of the ten answers takes: the given list, or a range from
// `from` to `to` (evenly spaced on the scale, ends included: `points` of them
// on a grid or one at a time; stratified or sampled over it otherwise). An
// integer answer takes whole values only: list values and range ends must
// be whole, and points inside a range are rounded to the nearest whole one
// (halves away from zero).
struct varied_parameter {
    std::size_t answer = 0;      // index into answer_fields
    std::vector<double> values;  // the list; empty for a range
    double from = 0;
    double to = 0;
    std::int32_t points = 0;
    value_scale scale = value_scale::linear;
};

struct experiment_design {
    parameter_set base;                   // the answers of every point, but for those varied
    std::vector<varied_parameter> varied;  // in the order given
    design_kind kind = design_kind::grid;
    std::int32_t samples = 0;             // latin_hypercube and sobol
    std::uint64_t sample_seed = 0;        // the design's own sampling, apart from the streams
};

// Throws bad_value with a reason naming the parameter (by its answer field
// name) when the design cannot be made: no parameter varied, one varied
// twice, from > to, points < 1 where points are needed, a log scale with an
// end that is not positive, a value that is not whole for an integer
// answer, samples < 2 where samples are needed.
void check_design(const experiment_design& design);

// The values a varied parameter takes on a grid or one at a time.
std::vector<double> parameter_values(const varied_parameter& parameter);

// The points of the design, in their order: point i is element i. Grid:
// the product of the value lists. One at a time: 1 + the sum of the list
// lengths. Latin hypercube: samples. Sobol: samples x (parameters + 2),
// the rows of matrix A, then of B, then of each A_B(i) (A with parameter i's
// column from B). Checks the design first.
std::vector<parameter_set> design_points(const experiment_design& design);

// How many points design_points gives, counted without making them (so that
// a design too large to hold can be refused first); UINT64_MAX when the
// count is larger still. The design must pass check_design.
std::uint64_t design_size(const experiment_design& design);

// How many values a varied parameter takes on a grid or one at a time: the
// length of parameter_values, without making them.
std::uint64_t parameter_value_count(const varied_parameter& parameter);

}  // namespace zemrath
