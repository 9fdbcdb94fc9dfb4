// The files of a finished experiment, written as one set from the points
// kept on disk:
//   points.csv      point, then the ten answers as used (one line per point);
//   summary.csv     point, generation, then the columns of zemrath-ensemble's
//                   summary.csv: for each point its lines are that table's;
//   outcomes.csv    point, then the outcomes at the last generation;
//   sensitivity.csv one at a time: each parameter's lowest and highest value
//                   and every outcome there and at base; Sobol: first- and
//                   total-order indices with their bootstrap intervals;
//                   eFAST: the same indices with their phases' intervals;
//                   Morris: the elementary effects' statistics; Latin
//                   hypercube: partial rank correlations and p-values;
//   sensitivity-by-generation.csv and .svg (Sobol, Morris, eFAST): the
//                   indices of the outcomes over time at every generation;
//   variance-share.csv each outcome per stream's variance over all points
//                   and streams, and the shares of the points and streams;
//   sweep.svg       a figure fit for the design.
#pragma once

#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "sweep/experiment_file.hpp"
#include "sweep/point_store.hpp"
#include "zemrath/outcomes.hpp"
#include "zemrath/parameters.hpp"
#include "zemrath/sweep_analysis.hpp"

namespace zemrath::sweep {

// The text of points.csv.
std::string points_csv(std::span<const parameter_set> points);

// The indices of the outcomes over time at every generation from 0 to the
// last that a point runs, each with its generation; none for a design
// whose indices are not followed over time.
using indices_over_time = std::vector<generation_analysis>;
indices_over_time kept_indices_over_time(const experiment& plan, std::span<const parameter_set> points,
                                         const point_store& store);

// Writes the set into directory: the summary lines from the store, which
// must keep every point, the figure as given, everything else from the
// analysis of the points.
void write_sweep_files(const std::filesystem::path& directory, const experiment& plan,
                       std::span<const parameter_set> points, const point_store& store,
                       const sweep_analysis& analysis, const indices_over_time& over_time,
                       const std::string& figure);

// The outcomes of every point, read from the store.
std::vector<point_outcomes> kept_outcomes(const point_store& store, std::size_t points);

// Every point's summary of its last generation, from the store.
std::vector<generation_summary> kept_last_generations(const point_store& store, std::size_t points);

// The outcomes of every point at one generation, from its kept summary
// line (outcomes_at): missing at a point that did not run that many.
std::vector<point_outcomes> kept_outcomes_at(const point_store& store, std::size_t points, std::int32_t generation);

// The few lines printed when the files are written.
std::string sweep_text_summary(const experiment& plan, std::span<const parameter_set> points,
                               const sweep_analysis& analysis, const std::filesystem::path& directory);

}  // namespace zemrath::sweep
