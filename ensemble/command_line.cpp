#include "ensemble/command_line.hpp"

#include <CLI/CLI.hpp>

#include <array>

#include "zemrath/answer_reader.hpp"
#include "zemrath/seed_list.hpp"
#include "zemrath/version.hpp"

namespace zemrath::ensemble {

namespace {

constexpr std::string_view program_name = "zemrath-ensemble";

// What each answer means and its unit, beside the prompt's own words.
constexpr std::array<std::string_view, answer_fields.size()> parameter_notes = {
    "probability, 0 to 1",
    "probability, 0 to 1",
    "probability per year, 0 to 1",
    "individuals; the model uses half of it",
    "r in W(i) = r W(i-1) / (1 + a W(i-1))",
    "a in the same equation",
    "W(0), in the weight unit of Eq. (3)",
    "years: the number of adult age classes",
    "f: eggs per adult = round(f x 0.5 x 564.86 x W^0.73)",
    "number of yearly generations",
};

// The prompt without the blank some prompts begin with and the colon some
// end with.
std::string_view bare_prompt(std::string_view prompt) {
    if (prompt.starts_with(' ')) prompt.remove_prefix(1);
    if (prompt.ends_with(':')) prompt.remove_suffix(1);
    return prompt;
}

std::string parameter_help(std::size_t index) {
    return std::string(bare_prompt(answer_fields[index].prompt)) + " [answer " +
           std::to_string(index + 1) + "]: " + std::string(parameter_notes[index]);
}

constexpr std::string_view footer =
    "Parameter values use the answer syntax of zemrath's prompts (0.5, 1.5e3, 1.5D3, 2*0.5, ...);\n"
    "an option overrides the same answer in the answers file, and every parameter must be given\n"
    "one way or the other. Each stream's rows are those of ZEMRATH_SEED=<seed> zemrath.\n"
    "ZEMRATH_KERNEL=scalar, avx2 or avx512 forces the instructions the draws are counted with\n"
    "(the results are the same); by default the fastest this processor runs.\n"
    "\n"
    "Written to DIR, each file replaced whole: runs.csv (seed,generation,embryos,larvae,adults),\n"
    "summary.csv (per generation: mean, population standard deviation, minimum, 5th, 25th, 50th,\n"
    "75th and 95th percentile and maximum of each count, extinct_fraction, wrapped_fraction) and\n"
    "report.svg (fan chart of adults and extinction per generation). A short summary goes to\n"
    "standard output.\n"
    "\n"
    "Exit status: 0 done; 2 usage error (nothing written); 1 the runs or the files failed.";

command_line_outcome usage_error(const std::string& message) {
    command_line_outcome outcome;
    outcome.kind = command_line_outcome::usage_error;
    outcome.text = std::string(program_name) + ": " + message;
    return outcome;
}

// The answers file first, then each option over it; every answer must be
// given by one of them. Returns a one-line reason when they are not.
std::optional<std::string> gather_parameters(const CLI::Option* answers_option, const std::string& answers_path,
                                             const std::vector<CLI::Option*>& options,
                                             const std::array<std::string, answer_fields.size()>& texts,
                                             parameter_set& parameters) {
    partial_answers partial;
    try {
        if (answers_option->count() > 0) partial = read_answers_file(answers_path);
    } catch (const error& failure) {
        return failure.what();
    }
    for (std::size_t i = 0; i < options.size(); ++i) {
        if (options[i]->count() == 0) continue;
        try {
            read_answer_text(texts[i], i, partial);
        } catch (const error& failure) {
            return parameter_option_name(i) + ": cannot read '" + texts[i] + "': " + failure.what();
        }
    }
    std::string missing;
    std::size_t missing_count = 0;
    for (std::size_t i = 0; i < options.size(); ++i) {
        if (partial.given[i]) continue;
        missing += (missing.empty() ? "" : ", ") + parameter_option_name(i);
        ++missing_count;
    }
    if (missing_count == 1) return "missing parameter " + missing + " (give it as an option or in --answers FILE)";
    if (missing_count > 1) return "missing parameters " + missing + " (give them as options or in --answers FILE)";
    parameters = partial.values;
    return std::nullopt;
}

}  // namespace

std::string parameter_option_name(std::size_t answer_index) {
    std::string name = "--" + std::string(answer_fields[answer_index].name);
    for (char& c : name)
        if (c == '_') c = '-';
    return name;
}

command_line_outcome parse_command_line(int argc, const char* const* argv) {
    CLI::App app{
        "Runs every random stream of zemrath (or a chosen few) for one set of answers and\n"
        "reports the distribution of embryos, larvae and adults per generation.",
        std::string(program_name)};
    app.footer(std::string(footer));
    app.set_version_flag("--version", std::string(program_name) + " " + std::string(zemrath::version));

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
    CLI::Option* seeds_option = app.add_option("--seeds", seeds_text,
                   "Streams to run, by seed 0 to 999: seeds and ranges such as 0-99,500 "
                   "(default: all 1000)")
        ->type_name("LIST");
    int threads = 0;  // every core
    app.add_option("--threads", threads, "Streams run at once, 1 to 1024 (default: every core)")
        ->type_name("N")
        ->check(CLI::Range(1, 1024));
    std::string out_directory;
    app.add_option("--out", out_directory, "Directory for the results, created if missing")
        ->type_name("DIR")
        ->required();
    bool no_runs = false;
    app.add_flag("--no-runs", no_runs,
                 "Write no runs.csv (an existing one is left as it is)");
    bool quiet = false;
    app.add_flag("--quiet", quiet, "Show no progress on standard error");

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        return {command_line_outcome::help, {}, app.help()};
    } catch (const CLI::CallForVersion&) {
        return {command_line_outcome::version, {}, app.version() + "\n"};
    } catch (const CLI::ParseError& error) {
        return usage_error(error.what());
    }

    command_line_outcome outcome;
    ensemble_request& request = outcome.request;
    if (auto error = gather_parameters(answers_option, answers_path, options, texts, request.parameters))
        return usage_error(*error);
    if (seeds_option->count() == 0) {
        request.seeds = all_seeds();
    } else {
        std::string reason;
        auto seeds = parse_seed_list(seeds_text, reason);
        if (!seeds) return usage_error("--seeds: " + reason);
        request.seeds = std::move(*seeds);
    }
    request.threads = threads;
    request.out_directory = out_directory;
    request.write_runs = !no_runs;
    request.quiet = quiet;
    return outcome;
}

}  // namespace zemrath::ensemble
