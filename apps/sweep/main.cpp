// zemrath-sweep: parameter sweeps and sensitivity analysis over every
// random stream, resumable and able to run in shards.
#include <fstream>
#include <optional>
#include <sstream>

#include "cli/tool_shell.hpp"
#include "results/file_set.hpp"
#include "results/interruption.hpp"
#include "results/progress.hpp"
#include "sweep/command_line.hpp"
#include "sweep/experiment_file.hpp"
#include "sweep/point_store.hpp"
#include "sweep/sweep_files.hpp"
#include "sweep/sweep_run.hpp"
#include "zemrath/design.hpp"
#include "zemrath/seed_list.hpp"
#include "zemrath/sweep_analysis.hpp"

namespace {

using namespace zemrath;
using namespace zemrath::sweep;

constexpr std::string_view program = "zemrath-sweep";

int fail(const std::string& message, int status = cli::exit_failed) {
    cli::report(program, message);
    return status;
}

std::string read_file(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw error(error_code::bad_value, "cannot read " + path.string());
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
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
    loaded.identity.experiment_text = text;
    loaded.plan = parse_experiment(text, name, [&](const std::string& path) {
        loaded.identity.answers_text = load_answers(path);
        return *loaded.identity.answers_text;
    });
    try {
        loaded.points = design_points(loaded.plan.design);
    } catch (const error& failure) {
        throw error(error_code::bad_value, name + ": " + failure.what());
    }
    loaded.identity.identity = identity_text(loaded.plan, loaded.points);
    return loaded;
}

int finish(const loaded_experiment& loaded, const point_store& store, const std::filesystem::path& directory) {
    const sweep_analysis analysis = analyse_sweep(loaded.plan.design, kept_outcomes(store, loaded.points.size()));
    write_sweep_files(directory, loaded.plan, loaded.points, store, analysis);
    if (const std::optional<std::string> reason =
            cli::write_standard_output(sweep_text_summary(loaded.plan, loaded.points, analysis, directory)))
        return fail("the files are in place, but the summary could not be written to standard output: " + *reason);
    return cli::exit_done;
}

std::string point_list(const std::vector<std::size_t>& points) {
    std::vector<std::int32_t> numbers(points.begin(), points.end());
    return format_seed_list(numbers);
}

int run(const sweep_request& request, const cli::tool_settings& settings) {
    const std::filesystem::path file = request.experiment_file;
    const loaded_experiment loaded = load(read_file(file), file.string(), [&](const std::string& path) {
        return read_file(file.parent_path() / path);
    });
    results::prepare_directory(request.out_directory);
    const point_store store = open_point_store(request.out_directory, loaded.identity, request.restart);

    const std::vector<std::size_t> mine = shard_points(loaded.points.size(), request.shard, request.shards);
    const std::vector<std::size_t> to_run = missing_points(store, mine);
    const std::size_t ran = run_points(loaded.plan, loaded.points, to_run, store,
                                       {settings.threads, settings.kernel, !request.quiet && results::progress_wanted()});
    if (results::interrupted())
        return fail("interrupted after " + std::to_string(ran) + " of " + std::to_string(to_run.size()) +
                        " points; they are kept in " + store.folder.string() + ", and the same command goes on",
                    results::interruption_status());
    if (request.shards > 1) {
        const std::string text = "shard " + std::to_string(request.shard) + "/" + std::to_string(request.shards) +
                                 ": " + std::to_string(ran) + " points run, " +
                                 std::to_string(mine.size() - to_run.size()) +
                                 " kept from before; once every shard is done: zemrath-sweep merge " +
                                 request.out_directory.string() + "\n";
        if (const std::optional<std::string> reason = cli::write_standard_output(text))
            return fail("the points are kept, but the summary could not be written to standard output: " + *reason);
        return cli::exit_done;
    }
    results::hold_second_interruption();
    return finish(loaded, store, request.out_directory);
}

int merge(const sweep_request& request) {
    const point_store store = existing_point_store(request.out_directory);
    const std::string name = (store.folder / experiment_copy_name).string();
    const loaded_experiment loaded = load(read_kept_file(store, experiment_copy_name), name, [&](const std::string&) {
        return read_kept_file(store, answers_copy_name);
    });
    if (kept_identity(store) != loaded.identity.identity)
        return fail(request.out_directory.string() + " was run by another version of the program; run it again");
    std::vector<std::size_t> all(loaded.points.size());
    for (std::size_t i = 0; i < all.size(); ++i) all[i] = i;
    const std::vector<std::size_t> missing = missing_points(store, all);
    if (!missing.empty())
        return fail("missing points " + point_list(missing) + " (" + std::to_string(missing.size()) + " of " +
                    std::to_string(all.size()) + "): run their shards first");
    results::hold_second_interruption();
    return finish(loaded, store, request.out_directory);
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
