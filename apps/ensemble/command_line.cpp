#include "ensemble/command_line.hpp"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <array>

#include "cli/option_checks.hpp"
#include "cli/parameter_options.hpp"
#include "cli/parse_arguments.hpp"
#include "cli/tool_shell.hpp"
#include "zemrath/answer_reader.hpp"
#include "zemrath/seed_list.hpp"

namespace zemrath::ensemble {

namespace {

constexpr std::string_view program_name = "zemrath-ensemble";

std::string parameter_help(std::size_t index) {
    return std::string(cli::bare_prompt(answer_fields[index].prompt)) + " [answer " +
           std::to_string(index + 1) + "]: " + std::string(answer_fields[index].meaning);
}

constexpr std::string_view footer =
    "Parameter values use the answer syntax of zemrath's prompts (0.5, 1.5e3, 1.5D3, 2*0.5, ...);\n"
    "an option overrides the same answer in the answers file, and every parameter must be given\n"
    "one way or the other. Each stream's rows are those of ZEMRATH_SEED=<seed> zemrath.\n"
    "A value outside its meaning (a probability outside 0 to 1, a carrying capacity at or\n"
    "below 0, negative generations, ...) is used as given, with a warning on standard error.\n"
    "ZEMRATH_KERNEL=scalar, avx2 or avx512 forces the instructions the draws are counted with\n"
    "(the results are the same); by default the fastest this processor runs.\n"
    "\n"
    "Written to DIR as one set, which replaces an earlier set only once every file of it is\n"
    "complete: runs.csv (seed,generation,embryos,larvae,adults), summary.csv (per generation:\n"
    "mean, population standard deviation, minimum, 5th, 25th, 50th, 75th and 95th percentile and\n"
    "maximum of each count, extinct_fraction, wrapped_fraction), report.svg (fan chart of adults\n"
    "and extinction per generation), run-answers.txt (the answers as given, for zemrath and\n"
    "--answers) and run.toml (program, version, time, seeds, generations, command line). A short\n"
    "summary goes to standard output.\n"
    "\n"
    "--identify FILE reads an output.txt written by zemrath and names the seeds whose stream\n"
    "gives its rows with these answers; it writes nothing, and ends with status 1 when no\n"
    "stream gives them. An interrupted run leaves the earlier files as they were.";

// The answers file first, then each option over it; every answer must be
// given by one of them.
void gather_parameters(cli::command_arguments& line, const CLI::Option* answers_option, const std::string& answers_path,
                       const std::vector<CLI::Option*>& options,
                       const std::array<std::string, answer_fields.size()>& texts, ensemble_request& request) {
    partial_answers partial;
    try {
        if (answers_option->count() > 0) partial = read_answers_file(answers_path);
    } catch (const error& failure) {
        cli::note_option_problem(line, "--answers", failure.what());
        return;
    }
    bool unreadable = false;
    for (std::size_t i = 0; i < options.size(); ++i) {
        if (options[i]->count() == 0) continue;
        if (auto message = cli::read_parameter_text(texts[i], i, partial)) {
            cli::note_option_problem(line, parameter_option_name(i), *message);
            unreadable = true;
        }
    }
    if (unreadable) return;
    const std::string missing = cli::missing_parameters(partial);
    if (!missing.empty()) {
        const bool one = std::count(partial.given.begin(), partial.given.end(), false) == 1;
        const std::size_t first = static_cast<std::size_t>(std::find(partial.given.begin(), partial.given.end(), false) -
                                                           partial.given.begin());
        cli::note_missing(line, parameter_option_name(first),
                          missing + (one ? " (give it as an option or in --answers FILE)"
                                         : " (give them as options or in --answers FILE)"));
        return;
    }
    request.parameters = partial.values;
    request.answer_texts = partial.texts;
}

}  // namespace

command_line_outcome parse_command_line(int argc, const char* const* argv) {
    CLI::App app{
        "Runs every random stream of zemrath (or a chosen few) for one set of answers and\n"
        "reports the distribution of embryos, larvae and adults per generation."};
    cli::describe_tool(app, program_name, footer);
    // Unknown arguments are collected and reported here, before any missing
    // option, so that a mistyped option is named as such.
    app.allow_extras();

    std::string answers_path;
    const CLI::Option* answers_option = app.add_option("--answers", answers_path,
                   "File of the ten answers as typed to zemrath, one per line, in prompt order")
        ->type_name("FILE");
    std::array<std::string, answer_fields.size()> texts;
    std::vector<CLI::Option*> options;
    for (std::size_t i = 0; i < answer_fields.size(); ++i) {
        const bool real = answer_fields[i].real != nullptr;
        options.push_back(app.add_option(parameter_option_name(i), texts[i], parameter_help(i))
                              ->type_name(real ? "REAL" : "INTEGER")
                              ->group("Parameters"));
    }
    std::string seeds_text;
    const CLI::Option* seeds_option = app.add_option("--seeds", seeds_text,
                   "Streams to run, by seed 0 to 999: seeds and ranges such as 0-99,500 "
                   "(default: all 1000)")
        ->type_name("LIST");
    std::string threads_text;
    const CLI::Option* threads_option = cli::add_threads_option(app, threads_text, "Streams run");
    std::string out_directory;
    const CLI::Option* out_option =
        app.add_option("--out", out_directory, "Directory for the results, created if missing")->type_name("DIR");
    std::string identify_path;
    const CLI::Option* identify_option =
        app.add_option("--identify", identify_path,
                       "A results file (output.txt) of zemrath: name the seeds that give its rows, write nothing")
            ->type_name("FILE");
    bool no_runs = false;
    const CLI::Option* no_runs_option =
        app.add_flag("--no-runs", no_runs, "Write no runs.csv (an earlier one in DIR is removed with the set)");
    bool quiet = false;
    app.add_flag("--quiet", quiet, "Show no progress on standard error");

    if (auto stop = cli::parse_arguments<ensemble_request>(app, argc, argv, program_name)) return *stop;

    if (auto leftover = cli::leftover_argument(app, " (every value follows its option)"))
        return cli::usage_error<ensemble_request>(program_name, *leftover);

    cli::command_arguments line{argc, argv, {}};
    ensemble_request request;
    const cli::tool_settings settings = cli::read_tool_settings(line, threads_option, threads_text);
    gather_parameters(line, answers_option, answers_path, options, texts, request);
    request.seeds = all_seeds();
    if (seeds_option->count() > 0) {
        std::string reason;
        if (auto seeds = parse_seed_list(seeds_text, reason))
            request.seeds = std::move(*seeds);
        else
            cli::note_option_problem(line, "--seeds", "--seeds: " + reason);
    }
    if (identify_option->count() > 0) {
        if (out_option->count() > 0)
            cli::note_option_problem(line, "--out", "--out does not go with --identify, which writes nothing");
        if (no_runs_option->count() > 0)
            cli::note_option_problem(line, "--no-runs", "--no-runs does not go with --identify, which writes nothing");
        if (identify_path.empty()) cli::note_option_problem(line, "--identify", "--identify: the file name is empty");
    } else if (out_option->count() == 0) {
        cli::note_missing(line, "--out", "--out is required (the directory for the results)");
    } else if (out_directory.empty()) {
        cli::note_option_problem(line, "--out", "--out: the directory name is empty");
    }
    request.out_directory = out_directory;
    request.identify = identify_path;
    request.write_runs = !no_runs;
    request.quiet = quiet;
    request.command.assign(argv, argv + argc);
    return cli::read_outcome(program_name, line, std::move(request), settings);
}

}  // namespace zemrath::ensemble
