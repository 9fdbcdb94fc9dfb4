// Every file a tool reads is looked at before it is read: a directory, a
// device, a FIFO or a file larger than its kind can be is refused at once
// (status 2, the file named with what it is) instead of hanging, filling
// the memory or failing in other words.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>

#include "program_runner.hpp"

namespace zemrath {
namespace {

namespace runner = zemrath::testing;

const std::string answers_text = "0.5\n0.8\n0.9\n1000\n2\n0.5\n0.1\n4\n1\n8\n";

struct file_kind {
    const char* name;
    // Makes such a file in the scratch directory (or names one), with at
    // least `size` bytes for the oversized one; returns its path.
    std::function<std::filesystem::path(const std::filesystem::path& scratch, std::uintmax_t size)> make;
    const char* says;  // after the path
};

const file_kind kinds[] = {
    {"directory",
     [](const auto& scratch, auto) {
         std::filesystem::create_directory(scratch / "folder");
         return scratch / "folder";
     },
     " is a directory, not a"},
    {"device", [](const auto&, auto) { return std::filesystem::path("/dev/zero"); }, " is a device, not a"},
    {"FIFO",
     [](const auto& scratch, auto) {
         const auto path = scratch / "fifo";
         EXPECT_EQ(::mkfifo(path.c_str(), 0600), 0);
         return path;
     },
     " is a pipe (FIFO), not a"},
    {"oversized file",
     [](const auto& scratch, auto size) {
         const auto path = scratch / "large.txt";
         std::ofstream(path) << "0.5\n";
         std::filesystem::resize_file(path, size);  // sparse: no time or disk for its size
         return path;
     },
     " is larger than a"},
};

// Where each tool takes a file, and the kind it expects there.
struct file_argument {
    const char* name;
    std::uintmax_t too_large;  // bytes no such file can have
    const char* kind;          // as the messages name it
    std::function<runner::program_run(const std::filesystem::path& file, const std::filesystem::path& scratch)> run;
};

std::filesystem::path answers_file(const std::filesystem::path& scratch) {
    const auto path = scratch / "answers.txt";
    std::ofstream(path) << answers_text;
    return path;
}

const file_argument arguments[] = {
    {"zemrath-ensemble --answers", (1u << 20) + 1, "answers file",
     [](const auto& file, const auto& scratch) {
         return runner::make_ensemble_run({"--answers", file.string(), "--out", (scratch / "out").string()});
     }},
    {"zemrath-ensemble --identify", 4096, "results file",
     [](const auto& file, const auto& scratch) {
         return runner::make_ensemble_run({"--answers", answers_file(scratch).string(), "--identify", file.string()});
     }},
    {"zemrath-explore --answers", (1u << 20) + 1, "answers file",
     [](const auto& file, const auto&) { return runner::make_explore_run({"--answers", file.string(), "--port", "0"}); }},
    {"zemrath-sweep run EXPERIMENT", (4u << 20) + 1, "experiment file",
     [](const auto& file, const auto& scratch) {
         return runner::make_sweep_run({"run", file.string(), "--out", (scratch / "out").string(), "--quiet"});
     }},
    {"zemrath-sweep answers =", (1u << 20) + 1, "answers file",
     [](const auto& file, const auto& scratch) {
         const auto experiment = scratch / "experiment.toml";
         std::ofstream(experiment) << "answers = \"" << file.string() << "\"\n[vary.adult-survival]\nvalues = [0.5]\n";
         return runner::make_sweep_run({"run", experiment.string(), "--out", (scratch / "out").string(), "--quiet"});
     }},
};

TEST(InputFiles, NoPlainFileOrOneTooLargeIsRefusedAtOnce) {
    for (const file_argument& argument : arguments) {
        for (const file_kind& kind : kinds) {
            SCOPED_TRACE(std::string(argument.name) + ", " + kind.name);
            const auto scratch = runner::make_scratch_directory();
            const auto file = kind.make(scratch, argument.too_large);
            const runner::bounded_result bounded =
                runner::run_program_within(argument.run(file, scratch), std::chrono::seconds(30));
            ASSERT_FALSE(bounded.timed_out) << "still running after 30 s";
            EXPECT_EQ(bounded.result.exit_status, 2) << bounded.result.standard_error;
            const std::string named = file.string() + kind.says;
            EXPECT_NE(bounded.result.standard_error.find(named), std::string::npos)
                << bounded.result.standard_error;
            EXPECT_NE(bounded.result.standard_error.find(argument.kind), std::string::npos)
                << bounded.result.standard_error;
            EXPECT_FALSE(std::filesystem::exists(scratch / "out")) << "something was written";
        }
    }
}

}  // namespace
}  // namespace zemrath
