// The command line of zemrath-ensemble: parameters from an answers file and
// from options, the streams and the output directory, and every usage error
// as one line with status 2 and nothing written.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "ensemble/command_line.hpp"
#include "program_runner.hpp"
#include "zemrath/parameters.hpp"

namespace zemrath::ensemble {
namespace {

namespace runner = zemrath::testing;

const std::vector<std::string> ten_answers = {"0.3", "0.8",  "0.9", "1000", "2",
                                              "0.5", "0.1",  "4",   "1",    "50"};

constexpr std::size_t none = 99;

// One option per answer, with answer `changed` replaced by `value` and the
// answers in `left_out` not given.
std::vector<std::string> all_options(std::size_t changed = none, const std::string& value = "",
                                     std::vector<std::size_t> left_out = {}) {
    std::vector<std::string> arguments;
    for (std::size_t i = 0; i < ten_answers.size(); ++i) {
        if (std::find(left_out.begin(), left_out.end(), i) != left_out.end()) continue;
        arguments.push_back(parameter_option_name(i));
        arguments.push_back(i == changed ? value : ten_answers[i]);
    }
    return arguments;
}

std::string answers_file(const std::string& contents) {
    const auto path = runner::make_scratch_directory() / "answers.txt";
    std::ofstream(path, std::ios::binary) << contents;
    return path.string();
}

command_line_outcome parse(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "zemrath-ensemble");
    std::vector<const char*> argv;
    for (const std::string& a : arguments) argv.push_back(a.c_str());
    return parse_command_line(static_cast<int>(argv.size()), argv.data());
}

std::vector<std::string> with(std::vector<std::string> arguments, const std::vector<std::string>& more) {
    arguments.insert(arguments.end(), more.begin(), more.end());
    return arguments;
}

TEST(CommandLine, OptionNamesFollowTheFieldNames) {
    EXPECT_EQ(parameter_option_name(0), "--embryo-larval-survival");
    EXPECT_EQ(parameter_option_name(7), "--max-reproduction-age");
    EXPECT_EQ(parameter_option_name(9), "--generations");
}

TEST(CommandLine, EveryParameterAsAnOption) {
    const auto outcome = parse(with(all_options(), {"--out", "results"}));
    ASSERT_EQ(outcome.kind, command_line_outcome::run) << outcome.text;
    const parameter_set& p = outcome.request.parameters;
    EXPECT_EQ(p.embryo_larval_survival, 0.3);
    EXPECT_EQ(p.max_juvenile_survival, 0.8);
    EXPECT_EQ(p.adult_survival, 0.9);
    EXPECT_EQ(p.carrying_capacity, 1000);  // as answered, not yet halved
    EXPECT_EQ(p.weight_increase_rate, 2);
    EXPECT_EQ(p.growth_inhibition, 0.5);
    EXPECT_EQ(p.weight_at_one_year, 0.1);
    EXPECT_EQ(p.max_reproduction_age, 4);
    EXPECT_EQ(p.fecundity_rate, 1);
    EXPECT_EQ(p.generations, 50);
    EXPECT_EQ(outcome.request.out_directory, "results");
    EXPECT_EQ(outcome.request.seeds.size(), 1000u);
    EXPECT_EQ(outcome.settings.threads, 0);  // every core
    EXPECT_TRUE(outcome.request.write_runs);
    EXPECT_FALSE(outcome.request.quiet);
}

TEST(CommandLine, AnswersFileAsTypedAtThePromptsWithOptionsOverIt) {
    // Blank lines are skipped and the rest of an answer's line is ignored, as
    // at the prompts; the empty line for the end-of-run wait and anything
    // after the tenth answer are not read.
    const std::string file =
        answers_file("0.3\n\n0.8 maximum\n  0.9\r\n1000\n2\n0.5\n0.1\n4\n1\n50\n\nleft over\n");
    const auto outcome = parse({"--answers", file, "--adult-survival", "0.25", "--generations", "7",
                                "--out", "o", "--seeds", "0-9,500", "--threads", "3", "--no-runs",
                                "--quiet"});
    ASSERT_EQ(outcome.kind, command_line_outcome::run) << outcome.text;
    const parameter_set& p = outcome.request.parameters;
    EXPECT_EQ(p.embryo_larval_survival, 0.3);
    EXPECT_EQ(p.max_juvenile_survival, 0.8);
    EXPECT_EQ(p.adult_survival, 0.25);
    EXPECT_EQ(p.carrying_capacity, 1000);
    EXPECT_EQ(p.generations, 7);
    EXPECT_EQ(outcome.request.seeds, (std::vector<std::int32_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 500}));
    EXPECT_EQ(outcome.settings.threads, 3);
    EXPECT_FALSE(outcome.request.write_runs);
    EXPECT_TRUE(outcome.request.quiet);
}

TEST(CommandLine, ShortAnswersFileCompletedByOptions) {
    const auto outcome = parse({"--answers", answers_file("0.3\n0.8\n0.9\n1000\n2\n0.5\n0.1\n4\n"),
                                "--fecundity-rate", "1.5e0", "--generations", "3", "--out", "o"});
    ASSERT_EQ(outcome.kind, command_line_outcome::run) << outcome.text;
    EXPECT_EQ(outcome.request.parameters.max_reproduction_age, 4);
    EXPECT_EQ(outcome.request.parameters.fecundity_rate, 1.5);
    EXPECT_EQ(outcome.request.parameters.generations, 3);
}

TEST(CommandLine, UsageErrorsAreOneLineNamingTheCulprit) {
    const std::string bad_file = answers_file("0.3\n0.8\n0.9\nlots\n2\n0.5\n0.1\n4\n1\n50\n");
    struct case_t {
        std::vector<std::string> arguments;
        const char* named;
    };
    const case_t cases[] = {
        {with(all_options(), {"--out", "o", "--frobnicate"}), "--frobnicate"},
        {with(all_options(), {"--out", "o", "stray"}), "stray"},
        {all_options(), "--out"},
        {with(all_options(none, "", {9}), {"--out", "o"}), "missing parameter --generations"},
        {with(all_options(none, "", {0, 9}), {"--out", "o"}), "--embryo-larval-survival, --generations"},
        {with(all_options(2, "abc"), {"--out", "o"}), "--adult-survival: 'abc' is not a number"},
        {with(all_options(2, ","), {"--out", "o"}), "--adult-survival: ',' is not a number"},
        {with(all_options(9, "many"), {"--out", "o"}), "--generations: 'many' is not a number"},
        {with(all_options(9, "1.5"), {"--out", "o"}), "--generations: '1.5' is not a number"},
        {with(all_options(9, ""), {"--out", "o"}), "--generations: '' is not a number"},
        {with(all_options(9, ","), {"--out", "o"}), "--generations: ',' is not a number"},
        {with(all_options(), {"--out", "o", "--generations", "5"}), "--generations"},
        {with(all_options(), {"--out", "o", "--seeds", "5-2"}), "--seeds"},
        {with(all_options(), {"--out", "o", "--seeds", "1000"}), "--seeds"},
        {with(all_options(), {"--out", "o", "--seeds", ""}), "--seeds"},
        {with(all_options(), {"--out", "o", "--threads", "0"}), "--threads: 0 is not from 1 to 1024"},
        {with(all_options(), {"--out", "o", "--threads", "two"}), "--threads: 'two' is not a number"},
        {with(all_options(), {"--out", ""}), "--out: the directory name is empty"},
        {{"--bogus"}, "unknown option --bogus"},
        {with(all_options(), {"--out", "o", "--seed", "5"}), "unknown option --seed (did you mean --seeds?)"},
        {with(all_options(), {"--out", "o", "--thread=2"}), "unknown option --thread (did you mean --threads?)"},
        {with(all_options(), {"--threads", "x", "--seeds", "5000", "--out", "o"}), "--threads: 'x'"},
        {with(all_options(), {"--seeds", "5000", "--threads", "x", "--out", "o"}), "--seeds: '5000'"},
        {with(all_options(), {"--identify", "output.txt", "--out", "o"}), "--out does not go with --identify"},
        {{"--answers", "/nonexistent/answers.txt", "--out", "o"}, "/nonexistent/answers.txt"},
        {{"--answers", bad_file, "--out", "o"}, "answer 4 (carrying_capacity)"},
    };
    for (const case_t& c : cases) {
        const auto outcome = parse(c.arguments);
        EXPECT_EQ(outcome.kind, command_line_outcome::usage_error) << c.named;
        EXPECT_TRUE(outcome.text.starts_with("zemrath-ensemble: ")) << outcome.text;
        EXPECT_NE(outcome.text.find(c.named), std::string::npos) << outcome.text;
        EXPECT_EQ(outcome.text.find('\n'), std::string::npos) << outcome.text;
    }
}

TEST(CommandLine, VersionNeedsNothingElse) {
    for (const std::vector<std::string>& arguments : {std::vector<std::string>{"--version"},
                                                       std::vector<std::string>{"--seeds", "5", "--version"}}) {
        const auto outcome = parse(arguments);
        ASSERT_EQ(outcome.kind, command_line_outcome::version);
        EXPECT_TRUE(outcome.text.starts_with("zemrath-ensemble 0.")) << outcome.text;
    }
}

TEST(CommandLine, HelpDescribesEveryOptionWithItsPrompt) {
    const auto outcome = parse({"--help"});
    ASSERT_EQ(outcome.kind, command_line_outcome::help);
    for (std::size_t i = 0; i < answer_fields.size(); ++i)
        EXPECT_NE(outcome.text.find(parameter_option_name(i)), std::string::npos) << i;
    for (const char* text : {"--answers", "--seeds", "--threads", "--out", "--no-runs", "--quiet", "--identify",
                             "Carrying capacity (Eq. (1))", "Time of this simulation (in generation units)",
                             "Maximal reproduction age (integer number)"})
        EXPECT_NE(outcome.text.find(text), std::string::npos) << text;
}

// The built program: status 2, one line on standard error, nothing on
// standard output and no output directory.
TEST(CommandLine, ProgramEndsWithStatusTwoAndWritesNothing) {
    const std::vector<std::string> cases[] = {
        with(all_options(), {"--out", "out", "--frobnicate"}),
        with(all_options(none, "", {9}), {"--out", "out"}),
        with(all_options(9, "x"), {"--out", "out"}),
    };
    for (const auto& arguments : cases) {
        const auto directory = runner::make_scratch_directory();
        const auto result = runner::run_program(runner::make_ensemble_run(arguments, directory));
        EXPECT_EQ(result.exit_status, 2) << result.standard_error;
        EXPECT_EQ(result.standard_output, "");
        ASSERT_FALSE(result.standard_error.empty());
        EXPECT_EQ(result.standard_error.find('\n'), result.standard_error.size() - 1) << result.standard_error;
        EXPECT_FALSE(std::filesystem::exists(directory / "out"));
    }
}

TEST(CommandLine, ProgramHelpGoesToStandardOutput) {
    const auto result = runner::run_program(runner::make_ensemble_run({"--help"}));
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_NE(result.standard_output.find("--embryo-larval-survival"), std::string::npos);
    EXPECT_EQ(result.standard_error, "");
}

}  // namespace
}  // namespace zemrath::ensemble
