// End-to-end runs of the built program: answers on standard input, a fixed
// ZEMRATH_SEED, and the whole results file checked.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "program_runner.hpp"

namespace zemrath::testing {
namespace {

const std::string& header = expected_header;

// The worked example's growth (r 2, a 0.5, w1 0.1, f 1: eggs 84, 131, 193 in
// classes 1 to 3), with the other answers given.
std::string answers(const std::string& embryo_survival, const std::string& adult_survival,
                    const std::string& max_age, const std::string& generations) {
    return answer_lines({embryo_survival, "0.8", adult_survival, "1000", "2", "0.5", "0.1", max_age,
                         "1", generations});
}

// Runs the program in a fresh directory and returns its results file.
std::string file_after(const std::string& input, std::optional<std::string> seed = "0",
                       program_result* result = nullptr) {
    const auto directory = make_scratch_directory();
    const program_result outcome = run_program(make_run(input, std::move(seed), directory));
    if (result != nullptr) *result = outcome;
    EXPECT_EQ(outcome.exit_status, 0) << outcome.standard_error;
    return read_file(directory / "output.txt");
}

TEST(WholeRun, NoGenerationsGivesHeaderAndRowZero) {
    for (const char* generations : {"0", "-3"}) {
        const std::string file = file_after(answers("0.5", "0.9", "3", generations));
        EXPECT_EQ(file, header + " 0 0 0 20\r\n");
        EXPECT_EQ(file.size(), 257u);
    }
}

TEST(WholeRun, NoAgeClassesLeavesEveryLaterRowEmpty) {
    const std::string file = file_after(answers("0.5", "0.9", "0", "4"));
    EXPECT_EQ(file, header + " 0 0 0 20\r\n 1 0 0 0\r\n 2 0 0 0\r\n 3 0 0 0\r\n 4 0 0 0\r\n");
}

TEST(WholeRun, HandDerivedCohortWithoutOffspring) {
    // Adults all survive (probability 1), no embryo survives (probability -1):
    // the 20 first recruits pass through classes 1 to 3 spawning 84, 131 and
    // 193 eggs each, then leave; nothing replaces them.
    const std::string file = file_after(answers("-1", "1", "3", "5"));
    EXPECT_EQ(file, header + cohort_rows);
}

TEST(WholeRun, SameSeedSameRowsAndEveryRowPresent) {
    const std::string input = answers("0.5", "0.9", "4", "12");
    const std::string first = file_after(input, "417");
    const std::string again = file_after(input, "417");
    EXPECT_EQ(first, again);
    EXPECT_NE(first, file_after(input, "418"));
    ASSERT_EQ(first.compare(0, header.size(), header), 0);
    std::size_t rows = 0;
    for (std::size_t at = header.size(); (at = first.find("\r\n", at)) != std::string::npos; at += 2)
        ++rows;
    EXPECT_EQ(rows, 13u);
    EXPECT_EQ(first.substr(header.size(), 11), " 0 0 0 20\r\n");
}

TEST(WholeRun, ConsoleTranscriptAndWait) {
    program_result result;
    file_after(answers("0.5", "0.9", "3", "2"), "0", &result);
    const std::string dashes(45, '-');
    const std::string expected =
        " " + dashes + "\r\n" + " Welcome! This executable is part of the manuscript:\r\n" +
        " Ostrevana\r\n Malqueron\r\n " + dashes + "\r\n" +
        " Please, enter with the following parameters (see table 3 of the manuscript)\r\n" +
        " Embryo-larval survival probability\r\n" +
        " Maximum juvenile survival rate in absence of competition (Eq. (1))\r\n" +
        " Adult survival probability\r\n" + " Carrying capacity (Eq. (1))\r\n" +
        " Rate of adult weight increase (Eq. (3))\r\n" +
        " Constant of adult growth inhibition (Eq. (3))\r\n" +
        " Weight at one year old (Eq. (3))\r\n" + "  Maximal reproduction age (integer number):\r\n" +
        "  Fecundity rate (Eq.4):\r\n" + " Time of this simulation (in generation units):\r\n" +
        " " + dashes + "\r\n" + " This simulation ran successfully\r\n" +
        " See your results at the generated file \"output.txt\"\r\n" + " " + dashes + "\r\n";
    EXPECT_EQ(result.standard_output, expected);
    EXPECT_EQ(result.standard_error, "PAUSE statement executed.  Hit Return to continue\n");
}

TEST(WholeRun, BadSeedEndsBeforeTheBanner) {
    for (const char* seed : {"1000", "-1", "abc", "7 "}) {
        const auto directory = make_scratch_directory();
        const program_result result =
            run_program(make_run(answers("0.5", "0.9", "3", "2"), seed, directory));
        EXPECT_EQ(result.exit_status, 2) << seed;
        EXPECT_EQ(result.standard_output, "");
        EXPECT_EQ(result.standard_error, "ZEMRATH_SEED must be a whole number from 0 to 999\n");
        EXPECT_FALSE(std::filesystem::exists(directory / "output.txt"));
    }
}

TEST(WholeRun, UnsetSeedUsesTheClock) {
    program_result result;
    const std::string file = file_after(answers("0.5", "0.9", "3", "3"), std::nullopt, &result);
    EXPECT_EQ(file.compare(0, header.size() + 11, header + " 0 0 0 20\r\n"), 0);
}

}  // namespace
}  // namespace zemrath::testing
