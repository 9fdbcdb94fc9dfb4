#include "sweep/sweep_run.hpp"

#include <algorithm>
#include <chrono>

#include "results/interruption.hpp"
#include "results/progress.hpp"
#include "sweep/point_record.hpp"
#include "sweep/sweep_files.hpp"
#include "zemrath/ensemble.hpp"
#include "zemrath/ensemble_analysis.hpp"
#include "zemrath/seed_list.hpp"
#include "zemrath/version.hpp"

namespace zemrath::sweep {

namespace {

// "12 of 64 points, 1534 streams/s, about 2 min left".
std::string progress_text(std::size_t done, std::size_t total, std::size_t streams, double seconds) {
    std::string text = std::to_string(done) + " of " + std::to_string(total) + " points";
    if (done == 0 || seconds <= 0) return text;
    text += ", " + std::to_string(static_cast<long long>(static_cast<double>(streams) / seconds)) + " streams/s";
    if (done < total)
        text += ", about " +
                results::format_duration(seconds * static_cast<double>(total - done) / static_cast<double>(done)) +
                " left";
    return text;
}

}  // namespace

std::string identity_text(const experiment& plan, std::span<const parameter_set> points) {
    std::string text = "zemrath-sweep " + std::string(version) + "\n";
    text += "design " + std::string(design_kind_name(plan.design.kind)) + ", varying";
    for (const varied_parameter& parameter : plan.design.varied) {
        text += ' ';
        text += parameter_key(parameter.answer);
    }
    text += "\nseeds " + format_seed_list(plan.seeds) + "\n";
    return text + points_csv(points);
}

std::vector<std::size_t> shard_points(std::size_t points, int shard, int shards) {
    std::vector<std::size_t> mine;
    for (auto point = static_cast<std::size_t>(shard); point < points; point += static_cast<std::size_t>(shards))
        mine.push_back(point);
    return mine;
}

experiment_identity identity_of(const experiment& plan, std::span<const parameter_set> points,
                                std::string experiment_text, std::optional<std::string> answers_text) {
    std::int32_t generations = 0;
    for (const parameter_set& point : points) generations = std::max(generations, point.generations);
    return {identity_text(plan, points), std::move(experiment_text), std::move(answers_text),
            largest_point_record(generations)};
}

std::size_t run_points(const experiment& plan, std::span<const parameter_set> points,
                       std::span<const std::size_t> to_run, const point_store& store, const run_settings& settings) {
    ensemble_options options;
    options.threads = settings.threads;
    options.kernel = settings.kernel;
    const auto start = std::chrono::steady_clock::now();
    std::size_t done = 0;
    for (std::size_t point : to_run) {
        if (results::interrupted()) break;
        if (settings.show_progress) {
            const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
            results::show_status_line(progress_text(done, to_run.size(), done * plan.seeds.size(), elapsed.count()));
        }
        const ensemble_runs runs = run_ensemble(derive_model_parameters(points[point]), plan.seeds, options);
        keep_point(store, point, point_record_text(analyse_ensemble(runs), {store.experiment, point}));
        ++done;
    }
    if (settings.show_progress) results::clear_progress_line();
    return done;
}

}  // namespace zemrath::sweep
