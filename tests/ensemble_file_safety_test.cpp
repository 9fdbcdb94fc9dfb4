// zemrath-ensemble's files as one set under faults: a full disk (a file-size
// limit), an interruption while the streams run and while the files are
// written, a directory it may not write, and a lost summary. Every time the
// earlier set must be left whole and nothing temporary behind.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <fstream>
#include <map>
#include <thread>

#include "program_runner.hpp"

namespace zemrath::ensemble {
namespace {

namespace runner = zemrath::testing;

// A population that dies out in some streams: cheap to run for many
// generations, so that runs.csv is large.
const std::string answers_text = "0.012\n0.8\n0.5\n200\n2\n0.5\n0.1\n4\n1\n12\n";

std::filesystem::path answers_file() {
    const auto path = runner::make_scratch_directory() / "answers.txt";
    std::ofstream(path, std::ios::binary) << answers_text;
    return path;
}

runner::program_run ensemble_run(const std::filesystem::path& out, std::vector<std::string> more = {}) {
    std::vector<std::string> arguments = {"--answers", answers_file().string(), "--out", out.string(), "--quiet"};
    arguments.insert(arguments.end(), more.begin(), more.end());
    return runner::make_ensemble_run(arguments);
}

using file_contents = std::map<std::string, std::string>;

// Every entry of the directory by name, with its bytes.
file_contents contents_of(const std::filesystem::path& directory) {
    file_contents contents;
    for (const auto& entry : std::filesystem::directory_iterator(directory))
        contents[entry.path().filename().string()] = runner::read_file(entry.path());
    return contents;
}

// A first, complete set of ten streams.
file_contents earlier_set(const std::filesystem::path& out) {
    const auto result = runner::run_program(ensemble_run(out, {"--seeds", "0-9"}));
    EXPECT_EQ(result.exit_status, 0) << result.standard_error;
    const file_contents contents = contents_of(out);
    EXPECT_EQ(contents.size(), 5u);
    return contents;
}

TEST(EnsembleFileSafety, FullDiskKeepsTheEarlierSetAndReportsTheFile) {
    const auto out = runner::make_scratch_directory() / "out";
    const file_contents before = earlier_set(out);
    // Room for the probe and the earlier files' size, not for the new runs.csv.
    runner::program_run run = ensemble_run(out, {"--seeds", "0-1", "--generations", "5000"});
    run.file_size_limit = 100 * 1024;
    const auto result = runner::run_program(run);
    EXPECT_EQ(result.signal, 0) << "killed instead of reporting the write";
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_NE(result.standard_error.find("cannot write " + (out / "runs.csv").string() + ": File too large"),
              std::string::npos)
        << result.standard_error;
    EXPECT_EQ(contents_of(out), before);
}

TEST(EnsembleFileSafety, UnwritableDirectoryFailsBeforeTheStreamsRun) {
    const auto scratch = runner::make_scratch_directory();
    std::filesystem::permissions(scratch, std::filesystem::perms(0755));
    const auto out = scratch / "read-only";
    std::filesystem::create_directory(out);
    std::filesystem::permissions(out, std::filesystem::perms(0555));
    // 1000 streams of 100000 generations would take gigabytes of rows; the
    // check comes first, so the program never gets that far.
    runner::program_run run = ensemble_run(out, {"--generations", "100000"});
    run.unprivileged = true;
    const auto result = runner::run_program(run);
    EXPECT_EQ(result.exit_status, 1) << result.standard_error;
    EXPECT_NE(result.standard_error.find("cannot create a file in " + out.string() + ": Permission denied"),
              std::string::npos)
        << result.standard_error;
    EXPECT_LT(result.max_resident_kilobytes, 500 * 1024);
    EXPECT_TRUE(std::filesystem::is_empty(out));
}

// Waits until a temporary file of the set shows in the directory.
bool temporary_file_appears(const std::filesystem::path& directory, std::string_view prefix) {
    for (int tries = 0; tries < 60000; ++tries) {
        for (const auto& entry : std::filesystem::directory_iterator(directory))
            if (entry.path().filename().string().starts_with(prefix)) return true;
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    return false;
}

TEST(EnsembleFileSafety, InterruptionWhileWritingLeavesTheEarlierSet) {
    // The sanitized program takes long to run the streams before it writes:
    // there one signal stands for the three, which take the same path.
    const std::vector<std::pair<int, int>> signals =
        runner::program_is_sanitized ? std::vector<std::pair<int, int>>{{SIGTERM, 143}}
                                     : std::vector<std::pair<int, int>>{{SIGINT, 130}, {SIGTERM, 143}, {SIGHUP, 129}};
    for (const auto& [signal, status] : signals) {
        SCOPED_TRACE(signal);
        const auto out = runner::make_scratch_directory() / "out";
        const file_contents before = earlier_set(out);
        // 1000 streams of 3000 generations: a runs.csv of some 60 MB.
        const runner::started_program started = runner::start_program(ensemble_run(out, {"--generations", "3000"}));
        ASSERT_TRUE(temporary_file_appears(out, ".runs.csv."));
        ::kill(started.pid, signal);
        const auto result = runner::finish_program(started);
        EXPECT_EQ(result.exit_status, status) << result.standard_error;
        EXPECT_NE(result.standard_error.find("interrupted; no file was changed"), std::string::npos)
            << result.standard_error;
        EXPECT_EQ(contents_of(out), before);
    }
}

TEST(EnsembleFileSafety, InterruptionWhileTheStreamsRunStopsBetweenStreams) {
    const auto out = runner::make_scratch_directory() / "out";
    const file_contents before = earlier_set(out);
    const runner::started_program started =
        runner::start_program(ensemble_run(out, {"--generations", "20000", "--threads", "1"}));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ::kill(started.pid, SIGINT);
    const auto result = runner::finish_program(started);
    EXPECT_EQ(result.exit_status, 130) << result.standard_error;
    EXPECT_EQ(contents_of(out), before);
}

TEST(EnsembleFileSafety, LostSummaryIsReportedAfterTheFilesAreInPlace) {
    for (const runner::output_target target : {runner::output_target::full, runner::output_target::closed}) {
        const auto out = runner::make_scratch_directory() / "out";
        runner::program_run run = ensemble_run(out, {"--seeds", "0-9"});
        run.output = target;
        const auto result = runner::run_program(run);
        EXPECT_EQ(result.exit_status, 1);
        EXPECT_NE(result.standard_error.find("the summary could not be written to standard output"),
                  std::string::npos)
            << result.standard_error;
        EXPECT_EQ(contents_of(out).size(), 5u);
        EXPECT_TRUE(runner::read_file(out / "summary.csv").starts_with("generation,"));
    }
}

TEST(EnsembleFileSafety, ProvenanceRerunsTheSameStreams) {
    const auto out = runner::make_scratch_directory() / "out";
    earlier_set(out);
    const std::string record = runner::read_file(out / "run.toml");
    EXPECT_NE(record.find("seeds = '0-9'"), std::string::npos) << record;
    EXPECT_NE(record.find("generations = 12"), std::string::npos) << record;

    // zemrath fed run-answers.txt writes seed 7's rows of runs.csv, and ends
    // its closing wait normally.
    runner::program_run console = runner::make_run(runner::read_file(out / "run-answers.txt"), "7");
    console.directory = runner::make_scratch_directory();
    const auto result = runner::run_program(console);
    ASSERT_EQ(result.exit_status, 0) << result.standard_error;
    std::string expected;
    std::istringstream runs(runner::read_file(out / "runs.csv"));
    for (std::string line; std::getline(runs, line);) {
        if (!line.starts_with("7,")) continue;
        std::string row = line.substr(2);
        std::replace(row.begin(), row.end(), ',', ' ');
        expected += " " + row + "\r\n";
    }
    const std::string file = runner::read_file(console.directory / "output.txt");
    EXPECT_EQ(file.substr(file.size() - expected.size()), expected);

    // zemrath-ensemble rerun from it gives the same summary.
    const auto again = runner::make_scratch_directory() / "again";
    const auto rerun = runner::run_program(runner::make_ensemble_run(
        {"--answers", (out / "run-answers.txt").string(), "--seeds", "0-9", "--out", again.string()}));
    ASSERT_EQ(rerun.exit_status, 0) << rerun.standard_error;
    EXPECT_EQ(runner::read_file(again / "summary.csv"), runner::read_file(out / "summary.csv"));
}

}  // namespace
}  // namespace zemrath::ensemble
