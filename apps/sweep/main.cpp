// zemrath-sweep: parameter sweeps and sensitivity analysis over every
// random stream, resumable and able to run in shards.
#include <cstdio>
#include <new>
#include <optional>

#include "cli/kernel_setting.hpp"
#include "results/file_set.hpp"
#include "results/interruption.hpp"
#include "results/progress.hpp"
#include "sweep/command_line.hpp"
#include "sweep/experiment_file.hpp"
#include "sweep/point_store.hpp"
#include "sweep/sweep_files.hpp"
#include "sweep/sweep_run.hpp"
#include "zemrath/answer_reader.hpp"
#include "zemrath/design.hpp"
#include "zemrath/seed_list.hpp"

namespace {

using namespace zemrath;
using namespace zemrath::sweep;

constexpr int exit_usage = 2;
constexpr int exit_failure = 1;

// Points damaged again this many times over, as soon as they were run
// again, are being changed by something else.
constexpr int most_rounds = 3;

int fail(const std::string& message, int status = exit_failure) {
    std::fprintf(stderr, "zemrath-sweep: %s\n", message.c_str());
    return status;
}

void tell(const std::string& message) { std::fprintf(stderr, "zemrath-sweep: %s\n", message.c_str()); }

// A file the user names: one that cannot be read is a usage error too.
std::string read_named_file(const std::filesystem::path& path, const input_kind& kind) {
    try {
        return read_input_file(path.string(), kind);
    } catch (const error& failure) {
        throw error(error_code::bad_value, failure.what());
    }
}

// An experiment read from its file, with the texts that go into the work
// folder.
struct loaded_experiment {
    experiment plan;
    std::vector<parameter_set> points;
    experiment_identity identity;
};

loaded_experiment load(const std::string& text, const std::string& name,
                       const std::function<std::string(const std::string&)>& load_answers) {
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

int finish(const loaded_experiment& loaded, const point_store& store, const std::filesystem::path& directory) {
    check_folder_still_open(store);
    write_sweep_files(directory, loaded.plan, loaded.points, store);
    const std::vector<point_outcomes> outcomes = kept_outcomes(store, loaded.points.size());
    std::fputs(sweep_text_summary(loaded.plan, loaded.points, outcomes, directory).c_str(), stdout);
    return std::fflush(stdout) == 0 ? 0 : fail("the files are in place, but the summary could not be written");
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

int run(const sweep_request& request, std::optional<count_kernel> kernel) {
    const std::filesystem::path file = request.experiment_file;
    const loaded_experiment loaded =
        load(read_named_file(file, experiment_file_kind), file.string(),
             [&](const std::string& path) { return read_input_file((file.parent_path() / path).string(), answers_file_kind); });
    results::prepare_directory(request.out_directory);
    const point_store store = open_point_store(request.out_directory, loaded.identity, request.restart,
                                               "; give --restart to discard them, or another --out", tell);

    // Every point of this run that is not kept whole is run, until all are:
    // one that is damaged is set aside and run again.
    const std::vector<std::size_t> mine = shard_points(loaded.points.size(), request.shard, request.shards);
    const run_settings settings{request.threads, kernel, !request.quiet && results::progress_wanted()};
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
        std::printf("shard %d/%d: %zu points run, %zu kept from before; once every shard is done: zemrath-sweep merge %s\n",
                    request.shard, request.shards, ran, kept_before, request.out_directory.string().c_str());
        return 0;
    }
    results::hold_second_interruption();
    return finish(loaded, store, request.out_directory);
}

int merge(const sweep_request& request) {
    const std::filesystem::path folder = existing_work_folder(request.out_directory);
    const std::string name = (folder / experiment_copy_name).string();
    const loaded_experiment loaded =
        load(read_kept_file(folder, experiment_copy_name, experiment_file_kind), name,
             [&](const std::string&) { return read_kept_file(folder, answers_copy_name, answers_file_kind); });
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
    return finish(loaded, store, request.out_directory);
}

int run_sweep_program(int argc, const char* const* argv) {
    results::catch_interruptions();
    const command_line_outcome command = parse_command_line(argc, argv);
    if (command.kind == command_line_outcome::help || command.kind == command_line_outcome::version) {
        std::fputs(command.text.c_str(), stdout);
        return 0;
    }
    if (command.kind == command_line_outcome::usage_error) {
        std::fprintf(stderr, "%s\n", command.text.c_str());
        return exit_usage;
    }
    std::optional<count_kernel> kernel;
    try {
        kernel = cli::kernel_from_environment();
    } catch (const error& failure) {
        return fail(failure.what(), exit_usage);
    }
    return command.request.command == sweep_request::run ? run(command.request, kernel) : merge(command.request);
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return run_sweep_program(argc, argv);
    } catch (const zemrath::error& failure) {
        if (failure.code() == zemrath::error_code::cancelled)
            return fail("interrupted; the points done are kept", zemrath::results::interruption_status());
        return fail(failure.what(), failure.code() == zemrath::error_code::bad_value ? exit_usage : exit_failure);
    } catch (const std::bad_alloc&) {
        return fail("not enough memory");
    }
}
