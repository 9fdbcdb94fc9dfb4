// zemrath-sweep: parameter sweeps and sensitivity analysis over every
// random stream, resumable and able to run in shards.
#include <algorithm>
#include <optional>

#include "cli/tool_shell.hpp"
#include "results/file_set.hpp"
#include "results/interruption.hpp"
#include "results/progress.hpp"
#include "sweep/command_line.hpp"
#include "sweep/experiment_file.hpp"
#include "sweep/point_store.hpp"
#include "sweep/sweep_files.hpp"
#include "sweep/sweep_run.hpp"
#include "sweep/sweep_svg.hpp"
#include "text/parameter_warnings.hpp"
#include "zemrath/answer_reader.hpp"
#include "zemrath/design.hpp"
#include "zemrath/seed_list.hpp"
#include "zemrath/sweep_analysis.hpp"

namespace {

using namespace zemrath;
using namespace zemrath::sweep;

constexpr std::string_view program = "zemrath-sweep";

// Points damaged again this many times over, as soon as they were run
// again, are being changed by something else.
constexpr int most_rounds = 3;

void tell(const std::string& message) { cli::report(program, message); }

int fail(const std::string& message, int status = cli::exit_failed) {
    tell(message);
    return status;
}

// An experiment read from its file, with the texts that go into the work
// folder.
struct loaded_experiment {
    experiment plan;
    std::vector<parameter_set> points;
    experiment_identity identity;
};

loaded_experiment load(const std::string& text, const std::string& name,
                       const answers_loader& load_answers) {
    loaded_experiment loaded;
    std::optional<std::string> answers_text;
    loaded.plan = parse_experiment(text, name, [&](const std::string& path) {
        answers_text = load_answers(path);
        return *answers_text;
    });
    try {
        loaded.points = design_points(loaded.plan.design);
    } catch (const error& failure) {
        throw error(error_code::bad_value, name + ": " + failure.what());
    }
    loaded.identity = identity_of(loaded.plan, loaded.points, text, std::move(answers_text));
    return loaded;
}

// A generation for the figure that no point runs is refused before any
// point is run.
void check_figure_generation(const loaded_experiment& loaded, const figure_choice& figure) {
    if (!figure.generation) return;
    std::int32_t most = 0;
    for (const parameter_set& point : loaded.points) most = std::max(most, point.generations);
    if (*figure.generation > most)
        throw error(error_code::bad_value, "--figure-generation " + std::to_string(*figure.generation) +
                                               ": no point of the experiment runs that many generations (the most is " +
                                               std::to_string(most) + ")");
}

// Once per parameter that has a value outside its meaning at some point:
// a varied one with the first such point and how many more there are.
void warn_of_values_outside_meaning(const loaded_experiment& loaded) {
    const std::vector<parameter_set>& points = loaded.points;
    const std::vector<varied_parameter>& varied = loaded.plan.design.varied;
    for (std::size_t answer = 0; answer < answer_fields.size(); ++answer) {
        std::vector<std::size_t> outside;
        for (std::size_t p = 0; p < points.size(); ++p)
            if (!is_sensible(answer_fields[answer], answer_value(points[p], answer))) outside.push_back(p);
        if (outside.empty()) continue;
        std::string subject = parameter_key(answer) + " " + text::warned_value(points[outside.front()], answer);
        if (std::any_of(varied.begin(), varied.end(), [&](const varied_parameter& v) { return v.answer == answer; })) {
            subject += " at point " + std::to_string(outside.front());
            if (outside.size() > 1) subject += " (and at " + std::to_string(outside.size() - 1) + " more)";
        }
        tell("warning: " + text::outside_meaning_text(subject, answer));
    }
}

// The figure the options ask for: the outcomes at the generation chosen,
// analysed as the files' outcomes are.
std::string figure_of(const loaded_experiment& loaded, const point_store& store, const sweep_analysis& analysis,
                      const figure_choice& figure) {
    if (!figure.generation) return sweep_svg(loaded.plan, loaded.points, analysis, figure);
    const sweep_analysis at_generation =
        analyse_sweep(loaded.plan.design, kept_outcomes_at(store, loaded.points.size(), *figure.generation));
    return sweep_svg(loaded.plan, loaded.points, at_generation, figure);
}

int finish(const loaded_experiment& loaded, const point_store& store, const std::filesystem::path& directory,
           const figure_choice& figure) {
    check_folder_still_open(store);
    const std::size_t points = loaded.points.size();
    const sweep_analysis analysis =
        analyse_sweep(loaded.plan.design, kept_outcomes(store, points), kept_last_generations(store, points));
    write_sweep_files(directory, loaded.plan, loaded.points, store, analysis,
                      kept_indices_over_time(loaded.plan, loaded.points, store), figure_of(loaded, store, analysis, figure));
    if (const std::optional<std::string> reason =
            cli::write_standard_output(sweep_text_summary(loaded.plan, loaded.points, analysis, directory)))
        return fail("the files are in place, but the summary could not be written to standard output: " + *reason);
    return cli::exit_done;
}

std::string point_list(const std::vector<std::size_t>& points) {
    std::vector<std::int32_t> numbers(points.begin(), points.end());
    return format_seed_list(numbers);
}

std::vector<std::size_t> every_point(std::size_t count) {
    std::vector<std::size_t> all(count);
    for (std::size_t i = 0; i < count; ++i) all[i] = i;
    return all;
}

void tell_damaged(const std::vector<damaged_point>& damaged, const std::string& then) {
    for (const damaged_point& d : damaged)
        tell("point " + std::to_string(d.point) + " is damaged: " + d.file.string() + " " + d.reason +
             "; set aside as " + d.set_aside.string() + then);
}

int run(const sweep_request& request, const cli::tool_settings& tool) {
    const std::filesystem::path file = request.experiment_file;
    const loaded_experiment loaded =
        load(read_input_file(file.string(), experiment_file_kind), file.string(),
             [&](const std::string& path) { return read_answers_beside(file, path); });
    check_figure_generation(loaded, request.figure);
    warn_of_values_outside_meaning(loaded);
    results::prepare_directory(request.out_directory);
    const point_store store = open_point_store(request.out_directory, loaded.identity, request.restart,
                                               "; give --restart to discard them, or another --out", tell);

    // Every point of this run that is not kept whole is run, until all are:
    // one that is damaged is set aside and run again.
    const std::vector<std::size_t> mine = shard_points(loaded.points.size(), request.shard, request.shards);
    const run_settings settings{tool.threads, tool.kernel, !request.quiet && results::progress_wanted()};
    std::size_t ran = 0;
    std::size_t kept_before = 0;
    for (int round = 0;; ++round) {
        const point_check check = check_points(store, mine);
        tell_damaged(check.damaged, "; it is run again");
        if (round == 0) kept_before = mine.size() - check.missing.size();
        if (check.missing.empty()) break;
        if (round == most_rounds)
            return fail("points " + point_list(check.missing) + " were damaged again right after they were run: " +
                        "is something else writing to " + store.folder.string() + "?");
        const std::size_t done = run_points(loaded.plan, loaded.points, check.missing, store, settings);
        ran += done;
        if (results::interrupted())
            return fail("interrupted after " + std::to_string(done) + " of " + std::to_string(check.missing.size()) +
                            " points; they are kept in " + store.folder.string() + ", and the same command goes on",
                        results::interruption_status());
    }
    if (request.shards > 1) {
        const std::string text = "shard " + std::to_string(request.shard) + "/" + std::to_string(request.shards) +
                                 ": " + std::to_string(ran) + " points run, " + std::to_string(kept_before) +
                                 " kept from before; once every shard is done: zemrath-sweep merge " +
                                 request.out_directory.string() + "\n";
        if (const std::optional<std::string> reason = cli::write_standard_output(text))
            return fail("the points are kept, but the summary could not be written to standard output: " + *reason);
        return cli::exit_done;
    }
    results::hold_second_interruption();
    return finish(loaded, store, request.out_directory, request.figure);
}

int merge(const sweep_request& request) {
    const std::filesystem::path folder = existing_work_folder(request.out_directory);
    const std::string name = (folder / experiment_copy_name).string();
    const loaded_experiment loaded =
        load(read_kept_file(folder, experiment_copy_name, experiment_file_kind), name,
             [&](const std::string&) { return read_kept_file(folder, answers_copy_name, answers_file_kind); });
    check_figure_generation(loaded, request.figure);
    results::prepare_directory(request.out_directory);
    const point_store store =
        open_point_store(request.out_directory, loaded.identity, false,
                         "; " + name + " is not the experiment they were run with (was it edited?)", tell);
    const point_check check = check_points(store, every_point(loaded.points.size()));
    tell_damaged(check.damaged, "");
    if (!check.missing.empty()) {
        const std::size_t damaged = check.damaged.size();
        return fail("missing points " + point_list(check.missing) + " (" + std::to_string(check.missing.size()) +
                    " of " + std::to_string(loaded.points.size()) +
                    (damaged > 0 ? ", " + std::to_string(damaged) + " of them damaged and set aside" : "") +
                    "): run their shards " + (damaged > 0 ? "again" : "first") + ", then merge");
    }
    results::hold_second_interruption();
    return finish(loaded, store, request.out_directory, request.figure);
}

int run_request(const sweep_request& request, const cli::tool_settings& settings) {
    try {
        return request.command == sweep_request::run ? run(request, settings) : merge(request);
    } catch (const error& failure) {
        if (failure.code() != error_code::cancelled) throw;
        return fail("interrupted; the points done are kept", results::interruption_status());
    }
}

}  // namespace

int main(int argc, char** argv) {
    results::catch_interruptions();
    return cli::run_tool(program, argc, argv, parse_command_line, run_request);
}
