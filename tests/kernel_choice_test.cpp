// ZEMRATH_KERNEL in both programs: every kernel this processor runs gives the
// default choice's results to the byte; a name that is no kernel, or a kernel
// this processor lacks, ends the program before it does anything, with one
// line on standard error and status 2.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "program_runner.hpp"
#include "zemrath/count_kernel.hpp"

namespace zemrath::testing {
namespace {

// Counts of ten to a few hundred thousand words, which run on lanes with
// their own s3; on seed 593's short s3 cycle (808 values) the longer ones
// run on lanes sharing s3 as well.
const std::vector<std::string> small_scenario = {"0.1", "0.8", "0.5", "1000", "1.5", "0.5", "0.1", "10", "3", "50"};

std::string seeds() { return program_is_sanitized ? "0-3,593" : "0-99,593"; }

struct outputs {
    program_result run;
    std::string rows;  // output.txt, or runs.csv and summary.csv
};

outputs run_zemrath(std::optional<std::string> kernel, const std::string& seed) {
    const auto directory = make_scratch_directory();
    program_run run = make_run(answer_lines(small_scenario), seed, directory);
    run.kernel = std::move(kernel);
    const program_result result = run_program(run);
    return {result, read_file(directory / "output.txt")};
}

outputs run_ensemble(std::optional<std::string> kernel) {
    const auto out = make_scratch_directory() / "results";
    std::vector<std::string> arguments = {"--seeds", seeds(), "--out", out.string(), "--quiet"};
    const std::vector<std::string> options = {
        "--embryo-larval-survival", "--max-juvenile-survival", "--adult-survival", "--carrying-capacity",
        "--weight-increase-rate",   "--growth-inhibition",     "--weight-at-one-year",
        "--max-reproduction-age",   "--fecundity-rate",        "--generations"};
    for (std::size_t i = 0; i < options.size(); ++i) arguments.insert(arguments.end(), {options[i], small_scenario[i]});
    program_run run = make_ensemble_run(arguments);
    run.kernel = std::move(kernel);
    const program_result result = run_program(run);
    return {result, read_file(out / "runs.csv") + read_file(out / "summary.csv")};
}

TEST(KernelChoice, EveryKernelGivesTheDefaultResults) {
    for (const std::string seed : {"0", "593"}) {
        const outputs chosen = run_zemrath(std::nullopt, seed);
        ASSERT_EQ(chosen.run.exit_status, 0) << chosen.run.standard_error;
        ASSERT_GT(chosen.rows.size(), 1000u);
        EXPECT_EQ(run_zemrath("", seed).rows, chosen.rows) << "empty, as unset";
        for (const count_kernel kernel : every_count_kernel) {
            if (!kernel_supported(kernel)) continue;
            const outputs forced = run_zemrath(std::string(kernel_name(kernel)), seed);
            EXPECT_EQ(forced.run.exit_status, 0) << forced.run.standard_error;
            EXPECT_EQ(forced.run.standard_output, chosen.run.standard_output);
            EXPECT_EQ(forced.rows, chosen.rows) << kernel_name(kernel) << ", seed " << seed;
        }
    }

    const outputs chosen = run_ensemble(std::nullopt);
    ASSERT_EQ(chosen.run.exit_status, 0) << chosen.run.standard_error;
    for (const count_kernel kernel : every_count_kernel) {
        if (!kernel_supported(kernel)) continue;
        const outputs forced = run_ensemble(std::string(kernel_name(kernel)));
        EXPECT_EQ(forced.run.exit_status, 0) << forced.run.standard_error;
        EXPECT_EQ(forced.run.standard_output, chosen.run.standard_output);
        EXPECT_EQ(forced.rows, chosen.rows) << kernel_name(kernel);
    }
}

// Both programs refuse the setting before anything else, with this message
// after "ZEMRATH_KERNEL: ".
void expect_refused(const std::string& setting, const std::string& message) {
    SCOPED_TRACE(setting);
    const auto directory = make_scratch_directory();
    program_run run = make_run(answer_lines(small_scenario), "0", directory);
    run.kernel = setting;
    const program_result zemrath = run_program(run);
    EXPECT_EQ(zemrath.exit_status, 2);
    EXPECT_EQ(zemrath.standard_output, "");  // before the banner
    EXPECT_EQ(zemrath.standard_error, "ZEMRATH_KERNEL: " + message + "\n");
    EXPECT_FALSE(std::filesystem::exists(directory / "output.txt"));

    const outputs ensemble = run_ensemble(setting);
    EXPECT_EQ(ensemble.run.exit_status, 2);
    EXPECT_EQ(ensemble.run.standard_error, "zemrath-ensemble: ZEMRATH_KERNEL: " + message + "\n");
    EXPECT_EQ(ensemble.rows, "");  // nothing written

    // The sweep before it reads its experiment, the explorer before it listens.
    program_run sweep = make_sweep_run({"run", "no-such-experiment.toml", "--out", "unused"});
    program_run explore = make_explore_run({"--port", "0"});
    for (program_run* tool : {&sweep, &explore}) {
        tool->kernel = setting;
        const program_result result = run_program(*tool);
        EXPECT_EQ(result.exit_status, 2);
        EXPECT_TRUE(result.standard_error.ends_with(": ZEMRATH_KERNEL: " + message + "\n")) << result.standard_error;
    }
}

TEST(KernelChoice, ANameThatIsNoKernelEndsTheProgramsBeforeAnything) {
    for (const std::string name : {"sse", "AVX2", " avx2", "avx2 "})
        expect_refused(name, "\"" + name + "\" is not one of scalar, avx2, avx512");
}

TEST(KernelChoice, AKernelThisProcessorLacksEndsTheProgramsBeforeAnything) {
    std::vector<count_kernel> lacking;
    for (const count_kernel kernel : every_count_kernel)
        if (!kernel_supported(kernel)) lacking.push_back(kernel);
    if (lacking.empty()) GTEST_SKIP() << "this processor runs every kernel: none to refuse";
    for (const count_kernel kernel : lacking) {
        const std::string name(kernel_name(kernel));
        expect_refused(name, "this processor cannot run the " + name + " kernel");
    }
}

}  // namespace
}  // namespace zemrath::testing
