// Failing runs of the built program: what standard error says, the exit
// status, and what "output.txt" holds afterwards.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "program_runner.hpp"
#include "textio/error_report.hpp"

namespace zemrath::testing {
namespace {

const std::string traceback = std::string(zemrath::traceback_line) + "\n";
const std::string& header = expected_header;
const std::string pause_message = "PAUSE statement executed.  Hit Return to continue\n";

std::string answers_without_wait(const std::string& max_age, const std::string& generations) {
    return "0.5\n0.8\n0.9\n1000\n2\n0.5\n0.1\n" + max_age + "\n1\n" + generations + "\n";
}

// Rows g 0 0 0 for g = 1 to n, after row 0: what a run without age classes writes.
std::string empty_rows(int n) {
    std::string rows = " 0 0 0 20\r\n";
    for (int g = 1; g <= n; ++g) {
        rows += ' ';
        rows += std::to_string(g);
        rows += " 0 0 0\r\n";
    }
    return rows;
}

struct failing_run {
    const char* what;
    std::string input;
    std::function<void(const std::filesystem::path&, program_run&)> prepare;
    std::string standard_error;
    int exit_status;
    std::function<void(const std::filesystem::path&)> check_file;
};

void no_file(const std::filesystem::path& directory) {
    EXPECT_FALSE(std::filesystem::exists(directory / "output.txt"));
}

TEST(ErrorReport, FailingRuns) {
    const std::string earlier = "an earlier file\n";
    auto keep_earlier = [&](const std::filesystem::path& directory, program_run&) {
        std::ofstream(directory / "output.txt") << earlier;
    };
    auto earlier_unchanged = [&](const std::filesystem::path& directory) {
        EXPECT_EQ(read_file(directory / "output.txt"), earlier);
    };

    const failing_run runs[] = {
        {"unreadable first answer", "abc\n", keep_earlier,
         "At line 12 of file Zemrath (Unit 5)\n" + traceback +
             "Quendor runtime error: Bad real number in item 1 of list input\n",
         2, earlier_unchanged},
        {"unreadable second answer", "0.3\n0.5x\n", nullptr,
         "At line 14 of file Zemrath (Unit 5)\n" + traceback +
             "Quendor runtime error: Bad real number in item 1 of list input\n",
         2, no_file},
        {"unreadable integer answer", "0.5\n0.8\n0.9\n1000\n2\n0.5\n0.1\n1.5\n", nullptr,
         "At line 26 of file Zemrath (Unit 5)\n" + traceback +
             "Quendor runtime error: Bad integer for item 1 in list input\n",
         2, no_file},
        {"empty standard input", "", nullptr,
         "At line 12 of file Zemrath (Unit 5)\n" + traceback + "Quendor runtime error: End of file\n",
         2, no_file},
        {"input ends in the dialogue", "0.5\n0.8\n0.9\n1000\n2\n", keep_earlier,
         "At line 22 of file Zemrath (Unit 5)\n" + traceback + "Quendor runtime error: End of file\n",
         2, earlier_unchanged},
        {"input ends at the wait", answers_without_wait("0", "2"), nullptr,
         pause_message + traceback + "Quendor runtime error: End of file\n", 2,
         [](const std::filesystem::path& d) { EXPECT_EQ(read_file(d / "output.txt"), header + empty_rows(2)); }},
        {"last line at the wait lacks its line feed", answers_without_wait("0", "2") + "typed",
         nullptr, pause_message + traceback + "Quendor runtime error: End of file\n", 2,
         [](const std::filesystem::path& d) { EXPECT_EQ(read_file(d / "output.txt"), header + empty_rows(2)); }},
        {"standard input cannot be read", "", 
         [](const std::filesystem::path& d, program_run& run) {
             std::filesystem::create_directory(d / "input-directory");
             run.input_file = d / "input-directory";
         },
         "At line 12 of file Zemrath (Unit 5)\n" + traceback + "Quendor runtime error: Is a directory\n",
         2, no_file},
        {"results file is a directory", answers_without_wait("0", "2") + "\n",
         [](const std::filesystem::path& d, program_run&) {
             std::filesystem::create_directory(d / "output.txt");
         },
         "At line 34 of file Zemrath file: \"output.txt\"\n" + traceback +
             "Quendor runtime error: Is a directory\n",
         2, [](const std::filesystem::path& d) { EXPECT_TRUE(std::filesystem::is_directory(d / "output.txt")); }},
        {"results file is read-only", answers_without_wait("0", "2") + "\n",
         [&](const std::filesystem::path& d, program_run&) {
             std::ofstream(d / "output.txt") << earlier;
             ::chmod((d / "output.txt").c_str(), 0444);
         },
         "At line 35 of file Zemrath (Unit 11 \"output.txt\")\n" + traceback +
             "Quendor runtime error: Cannot write to file opened for READ\n",
         2, earlier_unchanged},
        {"too many age classes", answers_without_wait("1073741824", "2") + "\n", nullptr,
         "At line 40 of file Zemrath\n" + traceback +
             "Operating system error: Cannot allocate memory\nMemory allocation failed\n",
         1, [](const std::filesystem::path& d) { EXPECT_EQ(read_file(d / "output.txt"), header); }},
    };
    for (const failing_run& r : runs) {
        SCOPED_TRACE(r.what);
        program_run run;
        run.input = r.input;
        run.directory = make_scratch_directory();
        if (r.prepare) r.prepare(run.directory, run);
        const program_result result = run_program(run);
        EXPECT_EQ(result.standard_error, r.standard_error);
        EXPECT_EQ(result.exit_status, r.exit_status);
        EXPECT_EQ(result.standard_output.find("error"), std::string::npos);
        r.check_file(run.directory);
    }
}

TEST(ErrorReport, AFirstAnswerFailureLeavesOnlyTheBannerAndPromptOnStandardOutput) {
    program_run run;
    run.input = "x\n";
    const program_result result = run_program(run);
    std::size_t records = 0;
    for (std::size_t at = 0; (at = result.standard_output.find("\r\n", at)) != std::string::npos; at += 2)
        ++records;
    EXPECT_EQ(records, 7u);  // six banner lines and the first prompt
    EXPECT_TRUE(result.standard_output.ends_with("\r\n Embryo-larval survival probability\r\n"));
}

TEST(ErrorReport, FullDiskKeepsWhatReachedTheFile) {
    // A file-size limit stands in for a full disk: the write that crosses it
    // fails, the report names the row being written, and the file holds
    // exactly the bytes the system took.
    constexpr long limit = 20000;
    program_run run;
    run.input = answers_without_wait("0", "5000") + "\n";
    run.directory = make_scratch_directory();
    run.file_size_limit = limit;
    const program_result result = run_program(run);
    EXPECT_EQ(result.standard_error, "At line 51 of file Zemrath (Unit 11 \"output.txt\")\n" +
                                         traceback + "Quendor runtime error: File too large\n");
    EXPECT_EQ(result.exit_status, 2);
    const std::string file = read_file(run.directory / "output.txt");
    const std::string full = header + empty_rows(5000);
    EXPECT_EQ(file.size(), static_cast<std::size_t>(limit));
    EXPECT_EQ(file, full.substr(0, file.size()));
}

TEST(ErrorReport, LargeAgeClassArraysCostOnlyWhatIsTouched) {
    // Two arrays of 500000000 classes would be 4 GB if committed up front.
    program_run run;
    run.input = answers_without_wait("500000000", "0") + "\n";
    run.directory = make_scratch_directory();
    const program_result result = run_program(run);
    EXPECT_EQ(result.exit_status, 0) << result.standard_error;
    EXPECT_EQ(read_file(run.directory / "output.txt"), header + " 0 0 0 20\r\n");
    EXPECT_LT(result.max_resident_kilobytes, 512 * 1024);
}

TEST(ErrorReport, MemoryThatCannotBeHadIsReported) {
    if (program_is_sanitized) GTEST_SKIP() << "the address sanitizer cannot run under an address-space limit";
    program_run run;
    run.input = answers_without_wait("500000000", "2") + "\n";
    run.directory = make_scratch_directory();
    run.address_space_limit = 1L << 30;
    const program_result result = run_program(run);
    EXPECT_EQ(result.standard_error, "At line 40 of file Zemrath\n" + traceback +
                                         "Operating system error: Cannot allocate memory\n"
                                         "Memory allocation failed\n");
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_EQ(read_file(run.directory / "output.txt"), header);
}

}  // namespace
}  // namespace zemrath::testing
