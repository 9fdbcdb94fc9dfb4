// zemrath-ensemble end to end: all 1000 streams of a small parameter set,
// every file read back and checked against the runs it came from.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "program_runner.hpp"

namespace zemrath::ensemble {
namespace {

namespace runner = zemrath::testing;

constexpr int generations = 12;
constexpr int streams = 1000;

// A small population that dies out in some streams within a few generations.
const std::vector<std::string> answers = {"0.012", "0.8", "0.5", "200", "2",
                                          "0.5",   "0.1", "4",   "1",   std::to_string(generations)};

std::vector<std::string> parameter_arguments(const std::filesystem::path& out) {
    const std::vector<std::string> names = {
        "--embryo-larval-survival", "--max-juvenile-survival", "--adult-survival", "--carrying-capacity",
        "--weight-increase-rate",   "--growth-inhibition",     "--weight-at-one-year",
        "--max-reproduction-age",   "--fecundity-rate",        "--generations"};
    std::vector<std::string> arguments;
    for (std::size_t i = 0; i < names.size(); ++i) {
        arguments.push_back(names[i]);
        arguments.push_back(answers[i]);
    }
    arguments.push_back("--out");
    arguments.push_back(out.string());
    return arguments;
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::vector<double> numbers_of(const std::string& line) {
    std::vector<double> numbers;
    std::istringstream in(line);
    for (std::string field; std::getline(in, field, ',');) {
        std::size_t used = 0;
        numbers.push_back(std::stod(field, &used));
        EXPECT_EQ(used, field.size()) << field;
    }
    return numbers;
}

TEST(EnsembleEndToEnd, AllStreamsRunAndEveryFileParses) {
    const auto out = runner::make_scratch_directory() / "results";
    std::filesystem::create_directories(out);
    std::ofstream(out / "summary.csv") << "an earlier file\n";
    const auto result =
        runner::run_program(runner::make_ensemble_run(parameter_arguments(out)));
    ASSERT_EQ(result.exit_status, 0) << result.standard_error;
    EXPECT_EQ(result.standard_error, "");  // no progress when standard error is a file

    // Exactly the set: nothing temporary left behind.
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(out)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names,
              (std::vector<std::string>{"report.svg", "run-answers.txt", "run.toml", "runs.csv", "summary.csv"}));

    // runs.csv: every stream, in seed order, every generation from 0.
    const auto runs = lines_of(runner::read_file(out / "runs.csv"));
    ASSERT_EQ(runs.size(), 1u + streams * (generations + 1));
    EXPECT_EQ(runs[0], "seed,generation,embryos,larvae,adults");
    std::vector<std::vector<std::int32_t>> adults(generations + 1);
    std::vector<std::vector<double>> embryos(generations + 1);
    for (std::size_t i = 1; i < runs.size(); ++i) {
        const auto fields = numbers_of(runs[i]);
        ASSERT_EQ(fields.size(), 5u) << runs[i];
        ASSERT_EQ(fields[0], static_cast<double>((i - 1) / (generations + 1))) << runs[i];
        ASSERT_EQ(fields[1], static_cast<double>((i - 1) % (generations + 1))) << runs[i];
        if (fields[1] == 0) {
            EXPECT_EQ(runs[i].substr(runs[i].find(',')), ",0,0,0,20");
        }
        adults[static_cast<std::size_t>(fields[1])].push_back(static_cast<std::int32_t>(fields[4]));
        embryos[static_cast<std::size_t>(fields[1])].push_back(fields[2]);
    }

    // summary.csv: one line per generation; the median, mean and extinct
    // share recomputed from runs.csv (the median of an even count is the mean
    // of the middle two).
    const auto summary = lines_of(runner::read_file(out / "summary.csv"));
    ASSERT_EQ(summary.size(), 1u + generations + 1);
    EXPECT_EQ(std::count(summary[0].begin(), summary[0].end(), ','), 29) << summary[0];
    double extinct_before = 0;
    for (int g = 0; g <= generations; ++g) {
        const auto fields = numbers_of(summary[g + 1]);
        ASSERT_EQ(fields.size(), 30u);
        EXPECT_EQ(fields[0], g);
        std::vector<std::int32_t> sorted = adults[g];
        std::sort(sorted.begin(), sorted.end());
        EXPECT_DOUBLE_EQ(fields[24], (sorted[499] + sorted[500]) / 2.0) << "adults_p50, generation " << g;
        EXPECT_EQ(fields[21], sorted.front()) << "adults_min";
        EXPECT_EQ(fields[27], sorted.back()) << "adults_max";
        double sum = 0;
        for (double e : embryos[g]) sum += e;
        EXPECT_NEAR(fields[1], sum / streams, 1e-9) << "embryos_mean, generation " << g;
        const double extinct = static_cast<double>(std::count(sorted.begin(), sorted.end(), 0)) / streams;
        EXPECT_DOUBLE_EQ(fields[28], extinct) << "extinct_fraction, generation " << g;
        EXPECT_GE(fields[28], extinct_before);  // a stream without adults stays so
        extinct_before = fields[28];
        EXPECT_EQ(fields[29], 0) << "wrapped_fraction";
    }
    EXPECT_GT(extinct_before, 0) << "the parameter set is meant to lose some streams";
    EXPECT_LT(extinct_before, 1);

    const std::string svg = runner::read_file(out / "report.svg");
    EXPECT_TRUE(svg.starts_with("<?xml"));
    EXPECT_TRUE(svg.ends_with("</svg>\n"));

    const auto text = lines_of(result.standard_output);
    ASSERT_EQ(text.size(), 4u) << result.standard_output;
    EXPECT_EQ(text[0], "streams run: 1000 (seeds 0-999), generations: 12");
    EXPECT_TRUE(text[1].starts_with("adults in generation 12: median ")) << text[1];
    EXPECT_TRUE(text[2].starts_with("extinct by generation 12: ")) << text[2];
    EXPECT_EQ(text[3], "wrapped counts: none");
}

TEST(EnsembleEndToEnd, NoRunsRemovesTheRunsFileOfAnEarlierSet) {
    const auto out = runner::make_scratch_directory();
    std::ofstream(out / "runs.csv") << "from another parameter set\n";
    auto arguments = parameter_arguments(out);
    for (const char* more : {"--no-runs", "--seeds", "0-9", "--threads", "2", "--quiet"}) arguments.push_back(more);
    const auto result = runner::run_program(runner::make_ensemble_run(arguments));
    ASSERT_EQ(result.exit_status, 0) << result.standard_error;
    EXPECT_FALSE(std::filesystem::exists(out / "runs.csv"));
    EXPECT_EQ(lines_of(runner::read_file(out / "summary.csv")).size(), 1u + generations + 1);
    EXPECT_EQ(lines_of(result.standard_output).at(0), "streams run: 10 (seeds 0-9), generations: 12");
}

}  // namespace
}  // namespace zemrath::ensemble
