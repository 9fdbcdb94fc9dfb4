#include "sweep/command_line.hpp"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdint>

#include "cli/option_checks.hpp"
#include "cli/parse_arguments.hpp"
#include "cli/tool_shell.hpp"
#include "text/closest_name.hpp"
#include "zemrath/outcomes.hpp"

namespace zemrath::sweep {

namespace {

constexpr std::string_view program_name = "zemrath-sweep";

constexpr std::string_view footer =
    "An experiment runs every point of its design (a parameter set each) with every selected\n"
    "stream, exactly as zemrath-ensemble would, and writes to DIR as one set: points.csv,\n"
    "summary.csv, outcomes.csv, sensitivity.csv (one-at-a-time and sobol designs) and sweep.svg.\n"
    "Each finished point is kept in DIR/work, so running the same command again computes only\n"
    "the missing points; SIGINT and SIGTERM stop after the current point (status 130, 143).\n"
    "Shards (--shard K/N, every N-th point from K) may run at once on machines sharing DIR;\n"
    "'zemrath-sweep merge DIR' then writes the files from the kept points, or ends with\n"
    "status 1 when points are missing. A value outside its meaning is used as given, with a\n"
    "warning on standard error.\n"
    "sweep.svg shows the share of streams extinct at each point's last generation;\n"
    "--figure-outcome NAME draws another column of outcomes.csv, --figure-generation G the\n"
    "outcomes at generation G (from the points' lines of summary.csv: the share extinct and\n"
    "the adults' statistics). The other files stay as they are.";

command_line_outcome usage_error(const std::string& message) {
    return cli::usage_error<sweep_request>(program_name, message);
}

// "K/N" with 0 <= K < N.
bool parse_shard(const std::string& text, sweep_request& request, std::string& reason) {
    const std::size_t slash = text.find('/');
    std::string ignored;
    const auto k = cli::whole_number_in_range(text.substr(0, slash), 0, 1000000, ignored);
    const auto n = slash == std::string::npos ? std::nullopt
                                              : cli::whole_number_in_range(text.substr(slash + 1), 1, 1000000, ignored);
    if (!k || !n || *k >= *n) {
        reason = "'" + text + "' is not a shard K/N with 0 <= K < N";
        return false;
    }
    request.shard = *k;
    request.shards = *n;
    return true;
}

// The options that choose what sweep.svg shows, on a command.
struct figure_options {
    std::string outcome;
    const CLI::Option* outcome_option = nullptr;
    std::string generation;
    const CLI::Option* generation_option = nullptr;
};

void add_figure_options(CLI::App& command, figure_options& options) {
    options.outcome_option =
        command.add_option("--figure-outcome", options.outcome, "The outcome sweep.svg shows (default: extinct_fraction)")
            ->type_name("NAME");
    options.generation_option =
        command.add_option("--figure-generation", options.generation,
                           "The generation sweep.svg shows (default: the last of each point)")
            ->type_name("G");
}

std::vector<std::string> outcome_names() {
    std::vector<std::string> names;
    for (const outcome_column& column : outcome_columns) names.emplace_back(column.name);
    return names;
}

void read_figure_options(cli::command_arguments& line, const figure_options& options, figure_choice& choice) {
    if (options.outcome_option->count() > 0) {
        const std::vector<std::string> names = outcome_names();
        const auto found = std::find(names.begin(), names.end(), options.outcome);
        if (found == names.end()) {
            std::string message = "--figure-outcome: '" + options.outcome + "' is not an outcome of outcomes.csv (";
            if (const auto closest = text::closest_name(options.outcome, names))
                message += "did you mean " + *closest + "?";
            else
                for (std::size_t i = 0; i < names.size(); ++i) message += (i ? ", " : "one of ") + names[i];
            cli::note_option_problem(line, "--figure-outcome", message + ")");
        } else {
            choice.outcome = static_cast<std::size_t>(found - names.begin());
        }
    }
    if (options.generation_option->count() > 0) {
        std::string reason;
        if (const auto generation = cli::whole_number_in_range(options.generation, 0, INT32_MAX, reason))
            choice.generation = *generation;
        else
            cli::note_option_problem(line, "--figure-generation", "--figure-generation: " + reason);
    }
    if (choice.generation && !is_generation_statistic(choice.outcome))
        cli::note_option_problem(line, "--figure-generation",
                                 "--figure-generation: " + std::string(outcome_columns[choice.outcome].name) +
                                     " is known for each point's whole run only, not at one generation");
}

}  // namespace

command_line_outcome parse_command_line(int argc, const char* const* argv) {
    CLI::App app{"Parameter sweeps and sensitivity analysis of zemrath over every random stream."};
    cli::describe_tool(app, program_name, footer);
    app.require_subcommand(0, 1);

    sweep_request request;
    CLI::App* run = app.add_subcommand("run", "Run an experiment (or one shard of it) into DIR");
    run->allow_extras();
    std::string experiment_file;
    run->add_option("experiment", experiment_file, "The experiment file (TOML)")->type_name("EXPERIMENT.toml");
    std::string out;
    const CLI::Option* out_option = run->add_option("--out", out, "Directory for the results")->type_name("DIR");
    std::string threads_text;
    const CLI::Option* threads_option = cli::add_threads_option(*run, threads_text, "Streams run");
    std::string shard_text;
    const CLI::Option* shard_option =
        run->add_option("--shard", shard_text, "Run only shard K of N: points K, K + N, K + 2N, ...")->type_name("K/N");
    run->add_flag("--restart", request.restart, "Discard the points that DIR keeps from another experiment");
    run->add_flag("--quiet", request.quiet, "Show no progress on standard error");
    figure_options run_figure;
    add_figure_options(*run, run_figure);

    CLI::App* merge = app.add_subcommand("merge", "Write the files of DIR from the points its shards kept");
    merge->allow_extras();
    std::string merge_directory;
    merge->add_option("directory", merge_directory, "The output directory of the shards")->type_name("DIR");
    merge->add_flag("--quiet", request.quiet, "Show no progress on standard error");
    figure_options merge_figure;
    add_figure_options(*merge, merge_figure);

    if (auto stop = cli::parse_arguments<sweep_request>(app, argc, argv, program_name)) return *stop;

    cli::command_arguments line{argc, argv, {}};
    if (merge->parsed()) {
        const std::vector<std::string> extras = merge->remaining();
        if (!extras.empty()) return usage_error(cli::unknown_option_message(extras.front(), cli::option_names(*merge)));
        const cli::tool_settings settings = cli::read_tool_settings(line, nullptr, {});
        read_figure_options(line, merge_figure, request.figure);
        if (merge_directory.empty()) cli::note_missing(line, "directory", "merge needs the output directory of the shards");
        request.command = sweep_request::merge;
        request.out_directory = merge_directory;
        return cli::read_outcome(program_name, line, request, settings);
    }
    if (!run->parsed()) return usage_error("give a command: run EXPERIMENT.toml --out DIR, or merge DIR (see --help)");
    if (auto leftover = cli::leftover_argument(*run, "")) return usage_error(*leftover);
    const cli::tool_settings settings = cli::read_tool_settings(line, threads_option, threads_text);
    std::string reason;
    if (shard_option->count() > 0 && !parse_shard(shard_text, request, reason))
        cli::note_option_problem(line, "--shard", "--shard: " + reason);
    read_figure_options(line, run_figure, request.figure);
    if (experiment_file.empty()) cli::note_missing(line, "experiment", "run needs an experiment file");
    if (out_option->count() == 0)
        cli::note_missing(line, "--out", "--out is required (the directory for the results)");
    else if (out.empty())
        cli::note_option_problem(line, "--out", "--out: the directory name is empty");
    request.experiment_file = experiment_file;
    request.out_directory = out;
    return cli::read_outcome(program_name, line, request, settings);
}

}  // namespace zemrath::sweep
