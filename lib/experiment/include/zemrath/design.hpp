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
    morris,           // `trajectories` paths over a grid of `levels`, one parameter changing per step
    efast,            // `samples` points per parameter along a search curve, in `resamples` phases
};

inline constexpr std::array<design_kind, 6> every_design_kind = {
    design_kind::grid,  design_kind::one_at_a_time, design_kind::latin_hypercube,
    design_kind::sobol, design_kind::morris,        design_kind::efast};

// "grid", "one-at-a-time", "latin-hypercube", "sobol", "morris", "efast",
// and back.
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
    std::int32_t samples = 0;             // latin_hypercube, sobol; efast: per parameter and phase
    std::uint64_t sample_seed = 0;        // the design's own sampling, apart from the streams
    std::int32_t trajectories = 0;        // morris: the trajectories kept
    std::int32_t levels = 4;              // morris: the grid's levels per parameter (even)
    // morris: the candidate trajectories the most spread `trajectories`
    // are chosen from; 0 keeps the first ones drawn.
    std::int32_t select_from = 0;
    std::int32_t resamples = 1;           // efast: the phases, each with its own random shifts
};

// The most candidate trajectories a Morris design chooses from: the choice
// compares every pair of them.
inline constexpr std::int32_t most_candidate_trajectories = 1000;

// The fewest samples per parameter an eFAST design takes: with 4 harmonics
// the parameter's frequency must be at least 8.
inline constexpr std::int32_t fewest_efast_samples = 65;
// The most: the indices' spectrum takes a time that grows with the square
// of the samples.
inline constexpr std::int32_t most_efast_samples = 20000;

// Throws bad_value with a reason naming the parameter (by its answer field
// name) when the design cannot be made: no parameter varied, one varied
// twice, from > to, points < 1 where points are needed, a log scale with an
// end that is not positive, a value that is not whole for an integer
// answer, samples < 2 where samples are needed; for Morris, trajectories
// < 2, levels odd or < 2, select-from neither 0 nor from trajectories to
// most_candidate_trajectories; for eFAST, samples outside
// fewest_efast_samples to most_efast_samples or resamples < 1.
void check_design(const experiment_design& design);

// The values a varied parameter takes on a grid or one at a time.
std::vector<double> parameter_values(const varied_parameter& parameter);

// The points of the design, in their order: point i is element i. Grid:
// the product of the value lists. One at a time: 1 + the sum of the list
// lengths. Latin hypercube: samples. Sobol: samples x (parameters + 2),
// the rows of matrix A, then of B, then of each A_B(i) (A with parameter i's
// column from B). Morris: trajectories x (parameters + 1), trajectory by
// trajectory, each a start and then one step per parameter. eFAST:
// samples x resamples x parameters, the curve of each parameter in turn,
// phase by phase. Checks the design first.
std::vector<parameter_set> design_points(const experiment_design& design);

// How many points design_points gives, counted without making them (so that
// a design too large to hold can be refused first); UINT64_MAX when the
// count is larger still. The design must pass check_design.
std::uint64_t design_size(const experiment_design& design);

// How many values a varied parameter takes on a grid or one at a time: the
// length of parameter_values, without making them.
std::uint64_t parameter_value_count(const varied_parameter& parameter);

}  // namespace zemrath
