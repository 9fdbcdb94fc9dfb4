// Values outside their meaning, in every tool: zemrath-ensemble, zemrath-sweep
// and zemrath-explore run each value as zemrath runs it and warn once per
// parameter, in the same words; sensible values, the ends of their ranges
// included, draw no warning; zemrath itself says nothing and runs the value
// as given, as the tools do.
#include <gtest/gtest.h>

#include <httplib.h>
#include <signal.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include <nlohmann/json.hpp>

#include "program_runner.hpp"

namespace zemrath {
namespace {

namespace runner = zemrath::testing;

const std::vector<std::string> keys = {
    "embryo-larval-survival", "max-juvenile-survival", "adult-survival", "carrying-capacity", "weight-increase-rate",
    "growth-inhibition",      "weight-at-one-year",    "max-reproduction-age", "fecundity-rate", "generations"};

// The answers of the examples, with few generations.
const std::vector<std::string> base_answers = {"0.013", "0.8", "0.5", "400", "2", "0.5", "0.1", "4", "1", "6"};

struct value_case {
    const char* name;
    std::vector<std::pair<std::string, std::string>> values;  // key and value, over the base answers
    // The warnings, in prompt order, after the tool's name and "warning: ",
    // each naming its parameter as the tool does ("--adult-survival" here).
    std::vector<std::string> warnings;
};

const value_case value_cases[] = {
    {"a probability above 1", {{"adult-survival", "1.5"}},
     {"--adult-survival 1.5 lies outside its meaning (a probability, 0 to 1); it is used as given"}},
    {"a probability below 0", {{"embryo-larval-survival", "-0.1"}},
     {"--embryo-larval-survival -0.1 lies outside its meaning (a probability, 0 to 1); it is used as given"}},
    {"NaN", {{"max-juvenile-survival", "nan"}},
     {"--max-juvenile-survival nan lies outside its meaning (a probability, 0 to 1); it is used as given"}},
    {"an infinity", {{"weight-increase-rate", "inf"}},
     {"--weight-increase-rate inf lies outside its meaning (per year, above 0); it is used as given"}},
    {"minus infinity", {{"fecundity-rate", "-inf"}},
     {"--fecundity-rate -inf lies outside its meaning (0 or more); it is used as given"}},
    {"a carrying capacity of 0", {{"carrying-capacity", "0"}},
     {"--carrying-capacity 0 lies outside its meaning (individuals, above 0); it is used as given"}},
    {"a negative carrying capacity", {{"carrying-capacity", "-400"}},
     {"--carrying-capacity -400 lies outside its meaning (individuals, above 0); it is used as given"}},
    {"negative generations", {{"generations", "-5"}},
     {"--generations -5 lies outside its meaning (years, 0 or more); it is used as given"}},
    {"no age class", {{"max-reproduction-age", "0"}},
     {"--max-reproduction-age 0 lies outside its meaning (years, 1 or more); it is used as given"}},
    {"two at once, each once, in prompt order", {{"generations", "-1"}, {"adult-survival", "2"}},
     {"--adult-survival 2 lies outside its meaning (a probability, 0 to 1); it is used as given",
      "--generations -1 lies outside its meaning (years, 0 or more); it is used as given"}},
    {"the ends of the ranges", {{"adult-survival", "1"}, {"embryo-larval-survival", "0"}, {"generations", "0"},
                                {"max-reproduction-age", "1"}, {"growth-inhibition", "0"}},
     {}},
    {"the example", {}, {}},
};

std::vector<std::string> answers_of(const value_case& c) {
    std::vector<std::string> answers = base_answers;
    for (const auto& [key, value] : c.values)
        answers[static_cast<std::size_t>(std::find(keys.begin(), keys.end(), key) - keys.begin())] = value;
    return answers;
}

// The lines of standard error that are warnings.
std::vector<std::string> warning_lines(const std::string& standard_error, const std::string& program) {
    std::vector<std::string> lines;
    std::istringstream in(standard_error);
    const std::string start = program + ": warning: ";
    for (std::string line; std::getline(in, line);)
        if (line.starts_with(start)) lines.push_back(line.substr(start.size()));
    return lines;
}

// The same warnings as zemrath-sweep names parameters set in [parameters]:
// by their key.
std::vector<std::string> without_dashes(std::vector<std::string> warnings) {
    for (std::string& warning : warnings) warning.erase(0, 2);
    return warnings;
}

std::string rows_of_csv_seed(const std::string& runs_csv, const std::string& seed) {
    std::istringstream in(runs_csv);
    std::string rows;
    for (std::string line; std::getline(in, line);) {
        if (!line.starts_with(seed + ",")) continue;
        std::string row = line.substr(seed.size() + 1);
        std::replace(row.begin(), row.end(), ',', ' ');
        rows += " " + row + "\r\n";
    }
    return rows;
}

runner::program_result run_console(const std::vector<std::string>& answers, const std::filesystem::path& directory) {
    return runner::run_program(runner::make_run(
        runner::answer_lines({answers[0], answers[1], answers[2], answers[3], answers[4], answers[5], answers[6],
                              answers[7], answers[8], answers[9]}),
        "3", directory));
}

TEST(ExplorationWarnings, EnsembleWarnsOncePerParameterAndRunsTheValuesAsZemrathDoes) {
    // What zemrath says around a run of sensible answers.
    const runner::program_result example = run_console(base_answers, runner::make_scratch_directory());
    ASSERT_EQ(example.exit_status, 0);
    for (const value_case& c : value_cases) {
        SCOPED_TRACE(c.name);
        const std::vector<std::string> answers = answers_of(c);
        const auto out = runner::make_scratch_directory() / "out";
        std::vector<std::string> arguments = {"--seeds", "0-9", "--out", out.string(), "--quiet"};
        for (std::size_t i = 0; i < keys.size(); ++i) {
            arguments.push_back("--" + keys[i]);
            arguments.push_back(answers[i]);
        }
        const runner::program_result ensemble = runner::run_program(runner::make_ensemble_run(arguments));
        ASSERT_EQ(ensemble.exit_status, 0) << ensemble.standard_error;
        EXPECT_EQ(warning_lines(ensemble.standard_error, "zemrath-ensemble"), c.warnings) << ensemble.standard_error;
        EXPECT_EQ(ensemble.standard_error.find("warning") == std::string::npos, c.warnings.empty());

        // zemrath: not a word about it, and the same rows from the same values.
        const auto directory = runner::make_scratch_directory();
        const runner::program_result console = run_console(answers, directory);
        EXPECT_EQ(console.exit_status, 0) << console.standard_error;
        EXPECT_EQ(console.standard_error, example.standard_error);
        EXPECT_EQ(console.standard_output, example.standard_output);
        EXPECT_EQ(runner::read_file(directory / "output.txt"),
                  runner::expected_header + rows_of_csv_seed(runner::read_file(out / "runs.csv"), "3"));
    }
}

TEST(ExplorationWarnings, SweepWarnsOncePerParameterWhateverThePointsAre) {
    for (const value_case& c : value_cases) {
        SCOPED_TRACE(c.name);
        const auto folder = runner::make_scratch_directory();
        std::string experiment = "seeds = \"0-4\"\n[parameters]\n";
        const std::vector<std::string> answers = answers_of(c);
        for (std::size_t i = 0; i < keys.size(); ++i) experiment += keys[i] + " = \"" + answers[i] + "\"\n";
        // Three points that all share the value.
        experiment += "[vary.weight-at-one-year]\nvalues = [0.1, 0.2, 0.3]\n";
        std::ofstream(folder / "experiment.toml", std::ios::binary) << experiment;
        const runner::program_result sweep = runner::run_program(runner::make_sweep_run(
            {"run", (folder / "experiment.toml").string(), "--out", (folder / "out").string(), "--quiet"}));
        ASSERT_EQ(sweep.exit_status, 0) << sweep.standard_error;
        EXPECT_EQ(warning_lines(sweep.standard_error, "zemrath-sweep"), without_dashes(c.warnings)) << sweep.standard_error;
    }
    // A varied parameter: named with the first point outside its meaning and
    // how many more there are, once; the run goes on with every value.
    const auto folder = runner::make_scratch_directory();
    std::ofstream(folder / "experiment.toml", std::ios::binary)
        << "seeds = \"0-4\"\n[parameters]\nembryo-larval-survival = 0.013\nmax-juvenile-survival = 0.8\n"
           "carrying-capacity = 400\nweight-increase-rate = 2\ngrowth-inhibition = 0.5\nweight-at-one-year = 0.1\n"
           "max-reproduction-age = 4\nfecundity-rate = 1\ngenerations = 6\n"
           "[vary.adult-survival]\nvalues = [0.5, 1.5, 0.9, -2]\n[vary.carrying-capacity]\nvalues = [-1, 400]\n";
    const runner::program_result sweep = runner::run_program(runner::make_sweep_run(
        {"run", (folder / "experiment.toml").string(), "--out", (folder / "out").string(), "--quiet"}));
    ASSERT_EQ(sweep.exit_status, 0) << sweep.standard_error;
    EXPECT_EQ(warning_lines(sweep.standard_error, "zemrath-sweep"),
              (std::vector<std::string>{
                  "adult-survival 1.5 at point 2 (and at 3 more) lies outside its meaning (a probability, 0 to 1); it "
                  "is used as given",
                  "carrying-capacity -1 at point 0 (and at 3 more) lies outside its meaning (individuals, above 0); it "
                  "is used as given"}));
    std::istringstream points(runner::read_file(folder / "out" / "points.csv"));
    EXPECT_EQ(std::count(std::istreambuf_iterator<char>(points), {}, '\n'), 9);
}

TEST(ExplorationWarnings, ExplorerAnswersCarryTheWarningsByFieldAndItsStartSaysThemOnce) {
    const auto answers = runner::make_scratch_directory() / "answers.txt";
    std::ofstream(answers, std::ios::binary) << "0.013\n0.8\n1.5\n-400\n2\n0.5\n0.1\n4\n1\n6\n";
    const runner::started_program started =
        runner::start_program(runner::make_explore_run({"--answers", answers.string(), "--port", "0", "--threads", "2"}));
    const int port = runner::printed_port(started);
    ASSERT_NE(port, 0);
    httplib::Client client("127.0.0.1", port);
    client.set_read_timeout(120);
    for (const value_case& c : value_cases) {
        SCOPED_TRACE(c.name);
        nlohmann::json body;
        const std::vector<std::string> values = answers_of(c);
        for (std::size_t i = 0; i < keys.size(); ++i) body["parameters"][keys[i]] = values[i];
        body["seeds"] = "0-9";
        const httplib::Result answer = client.Post("/api/ensemble", body.dump(), "application/json");
        ASSERT_TRUE(answer);
        ASSERT_EQ(answer->status, 200) << answer->body;
        const nlohmann::json warnings = nlohmann::json::parse(answer->body).at("warnings");
        ASSERT_EQ(warnings.size(), c.warnings.size()) << warnings;
        for (std::size_t i = 0; i < warnings.size(); ++i) {
            EXPECT_EQ(warnings[i].at("message"), c.warnings[i]);
            EXPECT_EQ("--" + warnings[i].at("field").get<std::string>(), c.warnings[i].substr(0, c.warnings[i].find(' ')));
        }
    }
    ::kill(started.pid, SIGTERM);
    const runner::program_result result = runner::finish_program(started);
    EXPECT_EQ(result.exit_status, 143);
    EXPECT_EQ(result.standard_error,
              "zemrath-explore: warning: --adult-survival 1.5 lies outside its meaning (a probability, 0 to 1); it is "
              "used as given\n"
              "zemrath-explore: warning: --carrying-capacity -400 lies outside its meaning (individuals, above 0); it "
              "is used as given\n");
}

}  // namespace
}  // namespace zemrath
