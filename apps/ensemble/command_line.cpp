#include "ensemble/command_line.hpp"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <array>

#include "cli/option_checks.hpp"
#include "cli/parameter_options.hpp"
#include "cli/parse_arguments.hpp"
#include "zemrath/answer_reader.hpp"
#include "zemrath/seed_list.hpp"
#include "zemrath/version.hpp"

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
    "gives its rows with these answers; it writes nothing.\n"
    "\n"
    "Exit status: 0 done (or seeds found); 2 usage error, or --identify FILE is not a results\n"
    "file (nothing written); 1 the runs or the files failed, or no stream gives the file's rows;\n"
    "130, 143, 129 interrupted by SIGINT, SIGTERM, SIGHUP (the earlier files left as they were).";

command_line_outcome usage_error(const std::string& message) {
    return cli::usage_error<ensemble_request>(program_name, message);
}

// A usage error found at this argument position; the earliest is reported.
struct usage_problem {
    int position = 0;
    std::string message;
};

// The answers file first, then each option over it; every answer must be
// given by one of them.
std::optional<usage_problem> gather_parameters(int argc, const char* const* argv, const CLI::Option* answers_option,
                                               const std::string& answers_path,
                                               const std::vector<CLI::Option*>& options,
                                               const std::array<std::string, answer_fields.size()>& texts,
                                               ensemble_request& request) {
    partial_answers partial;
    try {
        if (answers_option->count() > 0) partial = read_answers_file(answers_path);
    } catch (const error& failure) {
        return usage_problem{cli::option_position(argc, argv, "--answers"), failure.what()};
    }
    std::optional<usage_problem> first;
    for (std::size_t i = 0; i < options.size(); ++i) {
        if (options[i]->count() == 0) continue;
        if (auto message = cli::read_parameter_text(texts[i], i, partial)) {
            const usage_problem problem{cli::option_position(argc, argv, parameter_option_name(i)), *message};
            if (!first || problem.position < first->position) first = problem;
        }
    }
    if (first) return first;
    const std::string missing = cli::missing_parameters(partial);
    if (!missing.empty()) {
        const bool one = std::count(partial.given.begin(), partial.given.end(), false) == 1;
        return usage_problem{argc, missing + (one ? " (give it as an option or in --answers FILE)"
                                                  : " (give them as options or in --answers FILE)")};
    }
    request.parameters = partial.values;
    request.answer_texts = partial.texts;
    return std::nullopt;
}

}  // namespace

command_line_outcome parse_command_line(int argc, const char* const* argv) {
    CLI::App app{
        "Runs every random stream of zemrath (or a chosen few) for one set of answers and\n"
        "reports the distribution of embryos, larvae and adults per generation.",
        std::string(program_name)};
    app.footer(std::string(footer));
    app.set_version_flag("--version", std::string(program_name) + " " + std::string(zemrath::version));
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
    const CLI::Option* threads_option =
        app.add_option("--threads", threads_text, "Streams run at once, 1 to 1024 (default: every core)")
            ->type_name("N");
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

    if (auto leftover = cli::leftover_argument(app, " (every value follows its option)")) return usage_error(*leftover);

    command_line_outcome outcome;
    ensemble_request& request = outcome.request;
    std::vector<usage_problem> problems;
    const auto note = [&](std::string_view option, std::string message) {
        problems.push_back({cli::option_position(argc, argv, option), std::move(message)});
    };
    if (auto problem = gather_parameters(argc, argv, answers_option, answers_path, options, texts, request))
        problems.push_back(*problem);
    request.seeds = all_seeds();
    if (seeds_option->count() > 0) {
        std::string reason;
        if (auto seeds = parse_seed_list(seeds_text, reason))
            request.seeds = std::move(*seeds);
        else
            note("--seeds", "--seeds: " + reason);
    }
    if (threads_option->count() > 0) {
        std::string reason;
        if (auto threads = cli::whole_number_in_range(threads_text, 1, 1024, reason))
            request.threads = *threads;
        else
            note("--threads", "--threads: " + reason);
    }
    if (identify_option->count() > 0) {
        if (out_option->count() > 0) note("--out", "--out does not go with --identify, which writes nothing");
        if (no_runs_option->count() > 0) note("--no-runs", "--no-runs does not go with --identify, which writes nothing");
        if (identify_path.empty()) note("--identify", "--identify: the file name is empty");
    } else if (out_option->count() == 0) {
        problems.push_back({argc, "--out is required (the directory for the results)"});
    } else if (out_directory.empty()) {
        note("--out", "--out: the directory name is empty");
    }
    if (!problems.empty()) {
        const auto first = std::min_element(problems.begin(), problems.end(),
                                            [](const usage_problem& a, const usage_problem& b) {
                                                return a.position < b.position;
                                            });
        return usage_error(first->message);
    }
    request.out_directory = out_directory;
    request.identify = identify_path;
    request.write_runs = !no_runs;
    request.quiet = quiet;
    request.command.assign(argv, argv + argc);
    return outcome;
}

}  // namespace zemrath::ensemble
