// What every tool's shell does alike: the earliest mistake first (the
// environment's before any argument's, what is missing last), the same
// words and status for the same mistake, and one exit-status table in every
// --help.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <cstdlib>

#include "cli/exit_status.hpp"
#include "cli/tool_shell.hpp"
#include "cli/usage_problems.hpp"
#include "program_runner.hpp"
#include "random/instruction_sets.hpp"

namespace zemrath::testing {
namespace {

program_run tool_run(const std::string& tool, std::vector<std::string> arguments) {
    if (tool == "zemrath-sweep") return make_sweep_run(std::move(arguments));
    if (tool == "zemrath-explore") return make_explore_run(std::move(arguments));
    return make_ensemble_run(std::move(arguments));
}

const std::vector<std::string> parameters = {"--embryo-larval-survival", "0.013", "--max-juvenile-survival", "0.8",
                                             "--adult-survival", "0.5", "--carrying-capacity", "400",
                                             "--weight-increase-rate", "2", "--growth-inhibition", "0.5",
                                             "--weight-at-one-year", "0.1", "--max-reproduction-age", "4",
                                             "--fecundity-rate", "1", "--generations", "5"};

std::vector<std::string> with(std::vector<std::string> first, const std::vector<std::string>& more) {
    first.insert(first.end(), more.begin(), more.end());
    return first;
}

TEST(ToolShell, TheEarliestMistakeIsReportedFirstInEveryTool) {
    struct case_t {
        std::string tool;
        std::vector<std::string> arguments;
        std::optional<std::string> kernel;
        std::string message;  // after "tool: "
    };
    const case_t cases[] = {
        // The environment comes before every argument, and a missing --out after them.
        {"zemrath-ensemble", parameters, "sse", "ZEMRATH_KERNEL: \"sse\" is not one of scalar, avx2, avx512"},
        {"zemrath-sweep", {"run", "x.toml"}, "sse", "ZEMRATH_KERNEL: \"sse\" is not one of scalar, avx2, avx512"},
        {"zemrath-explore", {"--port", "70000"}, "sse", "ZEMRATH_KERNEL: \"sse\" is not one of scalar, avx2, avx512"},
        {"zemrath-ensemble", parameters, std::nullopt, "--out is required (the directory for the results)"},
        {"zemrath-sweep", {"run", "x.toml"}, std::nullopt, "--out is required (the directory for the results)"},
        // Arguments in their order, whichever check a tool runs first.
        {"zemrath-ensemble", with(parameters, {"--threads", "0", "--seeds", "5000", "--out", "o"}), std::nullopt,
         "--threads: 0 is not from 1 to 1024"},
        {"zemrath-ensemble", with(parameters, {"--seeds", "5000", "--threads", "0", "--out", "o"}), std::nullopt,
         "--seeds: '5000'"},
        {"zemrath-sweep", {"run", "x.toml", "--shard", "3/2", "--threads", "0"}, std::nullopt,
         "--shard: '3/2' is not a shard K/N with 0 <= K < N"},
        {"zemrath-sweep", {"run", "x.toml", "--threads", "0", "--shard", "3/2"}, std::nullopt,
         "--threads: 0 is not from 1 to 1024"},
        {"zemrath-explore", {"--port", "x", "--threads", "2000"}, std::nullopt, "--port: 'x' is not a number"},
        {"zemrath-explore", {"--threads", "2000", "--port", "x"}, std::nullopt, "--threads: 2000 is not from 1 to 1024"},
    };
    for (const case_t& c : cases) {
        program_run run = tool_run(c.tool, c.arguments);
        run.kernel = c.kernel;
        const program_result result = run_program(run);
        EXPECT_EQ(result.exit_status, cli::exit_usage) << c.tool << " " << c.message;
        EXPECT_TRUE(result.standard_error.starts_with(c.tool + ": " + c.message)) << result.standard_error;
        EXPECT_EQ(std::count(result.standard_error.begin(), result.standard_error.end(), '\n'), 1)
            << result.standard_error;
        EXPECT_EQ(result.standard_output, "");
    }
}

TEST(ToolShell, EveryHelpShowsTheOneExitStatusTable) {
    for (const std::string tool : {"zemrath-ensemble", "zemrath-sweep", "zemrath-explore"}) {
        const program_result result = run_program(tool_run(tool, {"--help"}));
        EXPECT_EQ(result.exit_status, 0) << tool;
        EXPECT_NE(result.standard_output.find(cli::exit_status_help()), std::string::npos) << result.standard_output;
        EXPECT_EQ(result.standard_error, "") << tool;
    }
}

TEST(ToolShell, HelpThatCannotBeWrittenIsAFailure) {
    for (const std::string tool : {"zemrath-ensemble", "zemrath-sweep", "zemrath-explore"}) {
        for (const output_target target : {output_target::full, output_target::closed}) {
            program_run run = tool_run(tool, {"--version"});
            run.output = target;
            const program_result result = run_program(run);
            EXPECT_EQ(result.exit_status, cli::exit_failed) << tool;
            EXPECT_TRUE(result.standard_error.starts_with(tool + ": cannot write to standard output: "))
                << result.standard_error;
        }
    }
}

TEST(UsageProblems, TheEarliestOfProblemsAtTheirPlaces) {
    const char* argv[] = {"tool", "--threads", "0", "--out=", "--seeds", "x"};
    cli::command_arguments line{6, argv, {}};
    EXPECT_EQ(cli::earliest_problem(line), nullptr);
    cli::note_missing(line, "--answers", "missing");
    cli::note_option_problem(line, "--seeds", "seeds");
    cli::note_option_problem(line, "--out", "out");
    cli::note_option_problem(line, "--out", "out again");
    ASSERT_NE(cli::earliest_problem(line), nullptr);
    EXPECT_EQ(cli::earliest_problem(line)->message, "out");  // "--out=" at 3, before --seeds at 4
    EXPECT_EQ(cli::earliest_problem(line)->subject, "--out");
    cli::note_option_problem(line, "--quiet", "not given");  // an option not on the line counts as missing
    EXPECT_EQ(cli::earliest_problem(line)->message, "out");
    cli::note_environment_problem(line, "ZEMRATH_KERNEL", "kernel");
    EXPECT_EQ(cli::earliest_problem(line)->message, "kernel");
    EXPECT_EQ(cli::earliest_problem(line)->subject, "ZEMRATH_KERNEL");
}

TEST(ToolShell, AKernelThisProcessorCannotRunIsAProblemOfTheEnvironment) {
    const hidden_instruction_sets hidden({true, true});
    for (const std::string name : {"avx2", "avx512"}) {
        ::setenv("ZEMRATH_KERNEL", name.c_str(), 1);
        const char* argv[] = {"tool", "--threads", "0"};
        cli::command_arguments line{3, argv, {}};
        std::string threads = "0";
        const cli::tool_settings settings = cli::read_tool_settings(line, nullptr, threads);
        EXPECT_FALSE(settings.kernel.has_value());
        ASSERT_NE(cli::earliest_problem(line), nullptr);
        EXPECT_EQ(cli::earliest_problem(line)->message, "ZEMRATH_KERNEL: this processor cannot run the " + name + " kernel");
        EXPECT_EQ(cli::earliest_problem(line)->position, 0);
    }
    ::setenv("ZEMRATH_KERNEL", "scalar", 1);
    cli::command_arguments line{0, nullptr, {}};
    EXPECT_EQ(cli::read_tool_settings(line, nullptr, "").kernel, count_kernel::scalar);
    EXPECT_EQ(cli::earliest_problem(line), nullptr);
    ::unsetenv("ZEMRATH_KERNEL");
}

TEST(ExitStatus, FailuresOfTheLibraryByWhatTheyAreAbout) {
    EXPECT_EQ(cli::exit_status_of(error(error_code::bad_value, "")), cli::exit_usage);
    EXPECT_EQ(cli::exit_status_of(error(error_code::bad_answer, "")), cli::exit_usage);
    EXPECT_EQ(cli::exit_status_of(error(error_code::end_of_input, "")), cli::exit_usage);
    EXPECT_EQ(cli::exit_status_of(error(error_code::read_failed, "")), cli::exit_usage);
    EXPECT_EQ(cli::exit_status_of(error(error_code::write_failed, "")), cli::exit_failed);
    EXPECT_EQ(cli::exit_status_of(error(error_code::out_of_memory, "")), cli::exit_failed);
}

}  // namespace
}  // namespace zemrath::testing
