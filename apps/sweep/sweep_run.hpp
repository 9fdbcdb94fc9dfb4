// Running an experiment's points: each point's streams, its record kept on
// disk as soon as it is done, the points of one shard only when asked.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "sweep/experiment_file.hpp"
#include "sweep/point_store.hpp"
#include "zemrath/count_kernel.hpp"

namespace zemrath::sweep {

// What identifies an experiment's points: the program's version, the
// design's kind and varied parameters, the seeds, and every point's answers.
std::string identity_text(const experiment& plan, std::span<const parameter_set> points);

// The points of shard `shard` of `shards`: every shards-th from `shard`.
std::vector<std::size_t> shard_points(std::size_t points, int shard, int shards);

// What a work folder of this experiment holds besides its points.
experiment_identity identity_of(const experiment& plan, std::span<const parameter_set> points,
                                std::string experiment_text, std::optional<std::string> answers_text);

struct run_settings {
    int threads = 0;
    std::optional<count_kernel> kernel;
    bool show_progress = false;
};

// Runs the points given, in order, keeping each as it finishes (as a record
// that names the store's experiment). Stops early, between points, when an
// interruption arrives; returns the number of points run.
std::size_t run_points(const experiment& plan, std::span<const parameter_set> points,
                       std::span<const std::size_t> to_run, const point_store& store, const run_settings& settings);

}  // namespace zemrath::sweep
