// Which seed made this file: --identify against results files that zemrath
// wrote for several seeds, for other answers, cut short, and files that are
// no results files at all.
#include <gtest/gtest.h>

#include <fstream>

#include "ensemble/identify.hpp"
#include "program_runner.hpp"

namespace zemrath::ensemble {
namespace {

namespace runner = zemrath::testing;

const std::string dense_answers = "0.5\n0.8\n0.9\n1000\n2\n0.5\n0.1\n4\n1\n8\n";
const std::string other_answers = "0.5\n0.8\n0.8\n1000\n2\n0.5\n0.1\n4\n1\n8\n";
// No age classes: every stream gives the same rows.
const std::string empty_answers = "0.5\n0.8\n0.9\n1000\n2\n0.5\n0.1\n0\n1\n3\n";

std::filesystem::path file_with(const std::string& name, const std::string& bytes) {
    const auto path = runner::make_scratch_directory() / name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

// output.txt of zemrath with these answers and seed.
std::string results_file(const std::string& answers, int seed) {
    const auto directory = runner::make_scratch_directory();
    const auto result = runner::run_program(runner::make_run(answers + "\n", std::to_string(seed), directory));
    EXPECT_EQ(result.exit_status, 0) << result.standard_error;
    return runner::read_file(directory / "output.txt");
}

runner::program_result identify(const std::string& answers, const std::filesystem::path& file,
                                std::vector<std::string> more = {}) {
    std::vector<std::string> arguments = {"--answers", file_with("answers.txt", answers).string(), "--identify",
                                          file.string()};
    arguments.insert(arguments.end(), more.begin(), more.end());
    return runner::run_program(runner::make_ensemble_run(arguments));
}

TEST(Identify, FindsTheSeedOfEveryFile) {
    for (int seed : {0, 5, 417, 999}) {
        SCOPED_TRACE(seed);
        const auto file = file_with("output.txt", results_file(dense_answers, seed));
        const auto result = identify(dense_answers, file);
        EXPECT_EQ(result.exit_status, 0) << result.standard_error;
        EXPECT_EQ(result.standard_output,
                  "seed " + std::to_string(seed) + " gives the rows of " + file.string() + " (generations 0 to 8)\n");
    }
}

TEST(Identify, RowsThatEveryStreamGivesNameEverySeed) {
    const auto file = file_with("output.txt", results_file(empty_answers, 3));
    const auto result = identify(empty_answers, file, {"--seeds", "10-19,500"});
    EXPECT_EQ(result.exit_status, 0) << result.standard_error;
    EXPECT_EQ(result.standard_output, "seeds 10-19,500 give the rows of " + file.string() + " (generations 0 to 3)\n");
}

TEST(Identify, OtherAnswersGiveNoStream) {
    const auto file = file_with("output.txt", results_file(dense_answers, 5));
    const auto result = identify(other_answers, file);
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_EQ(result.standard_output,
              "no stream of these answers gives the rows of " + file.string() + " (seeds 0-999 compared)\n");
}

TEST(Identify, CutShortFileMatchesOnTheRowsItHas) {
    const std::string whole = results_file(dense_answers, 417);
    // Up to the end of the row of generation 4, and half of the next line.
    std::size_t cut = 0;
    for (int line = 0; line < 5 + 5; ++line) cut = whole.find("\r\n", cut) + 2;
    const auto file = file_with("output.txt", whole.substr(0, cut + 4));
    const auto result = identify(dense_answers, file);
    EXPECT_EQ(result.exit_status, 0) << result.standard_error;
    EXPECT_EQ(result.standard_output, "seed 417 gives the rows of " + file.string() +
                                          " (generations 0 to 4); the file stops before generation 8 of the "
                                          "answers, so it is a run cut short and only its 5 rows were compared\n");

    // More rows than the answers' generations: no stream can give them.
    std::string longer = results_file(dense_answers, 417);
    longer += " 9 1 1 1\r\n";
    const auto too_long = identify(dense_answers, file_with("output.txt", longer));
    EXPECT_EQ(too_long.exit_status, 1);
    EXPECT_NE(too_long.standard_output.find("it has rows for 9 generations, the answers ask for 8"), std::string::npos)
        << too_long.standard_output;
}

TEST(Identify, FilesThatAreNoResultsFiles) {
    const std::string whole = results_file(dense_answers, 1);
    std::string skipped_row = whole;
    const std::size_t row_two = skipped_row.find("\r\n 2 ");
    skipped_row.erase(row_two, skipped_row.find("\r\n", row_two + 2) - row_two);
    const std::pair<std::string, std::string> cases[] = {
        {"", "its header is incomplete"},
        {"seed,generation,embryos,larvae,adults\n0,0,0,0,20\n", "line 1 is not its header line"},
        {whole.substr(0, whole.find(" 0 0 0 20")), "it has no rows"},
        {whole.substr(0, whole.find(" 0 0 0 20")) + " 0 0 zero 20\r\n", "line 6 is not a row of four whole numbers"},
        {skipped_row, "line 8 is not the row of generation 2"},
    };
    for (const auto& [bytes, reason] : cases) {
        const auto file = file_with("output.txt", bytes);
        const auto result = identify(dense_answers, file);
        EXPECT_EQ(result.exit_status, 2) << reason;
        EXPECT_EQ(result.standard_error,
                  "zemrath-ensemble: " + file.string() + " is not a results file of zemrath: " + reason + "\n");
    }
    const auto missing = identify(dense_answers, "/nonexistent/output.txt");
    // A file that cannot be read is input that cannot be read, as for every tool.
    EXPECT_EQ(missing.exit_status, 2);
    EXPECT_NE(missing.standard_error.find("cannot open results file /nonexistent/output.txt"), std::string::npos);
}

TEST(Identify, LineEndsOfACopyAreAccepted) {
    std::string copy = results_file(dense_answers, 42);
    for (std::size_t at = copy.find("\r\n"); at != std::string::npos; at = copy.find("\r\n", at)) copy.erase(at, 1);
    const auto result = identify(dense_answers, file_with("output.txt", copy));
    EXPECT_EQ(result.exit_status, 0) << result.standard_error;
    EXPECT_TRUE(result.standard_output.starts_with("seed 42 gives")) << result.standard_output;
}

}  // namespace
}  // namespace zemrath::ensemble
