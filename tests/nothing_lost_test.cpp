// However a run ends after "output.txt" is opened, the file holds every row
// handed to it; a console that cannot be written does not stop the run.
#include <gtest/gtest.h>

#include <string>

#include "program_runner.hpp"

namespace zemrath::testing {
namespace {

const std::string& header = expected_header;

// Without age classes every row after row 0 is g 0 0 0: the whole file is
// known in advance, however long the run.
std::string expected_file(int generations) {
    std::string file = header + " 0 0 0 20\r\n";
    for (int g = 1; g <= generations; ++g) {
        file += ' ';
        file += std::to_string(g);
        file += " 0 0 0\r\n";
    }
    return file;
}

std::string answers(int generations) {
    return answer_lines({"0.5", "0.8", "0.9", "1000", "2", "0.5", "0.1", "0", "1",
                         std::to_string(generations)});
}

TEST(NothingLost, ConsoleThatCannotBeWrittenDoesNotStopTheRun) {
    const struct {
        const char* what;
        output_target output;
    } cases[] = {{"broken pipe", output_target::broken_pipe}, {"closed", output_target::closed}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        program_run run;
        run.input = answers(3000);
        run.directory = make_scratch_directory();
        run.output = c.output;
        const program_result result = run_program(run);
        EXPECT_EQ(result.signal, 0);
        EXPECT_EQ(result.exit_status, 0) << result.standard_error;
        EXPECT_EQ(result.standard_error, "PAUSE statement executed.  Hit Return to continue\n");
        EXPECT_EQ(read_file(run.directory / "output.txt"), expected_file(3000));
    }
}

TEST(NothingLost, AReportWithStandardOutputClosedWritesNoConsoleBytesIntoTheFile) {
    // The console records that could not be written still wait when the
    // report closes every stream; they must not land in the results file.
    program_run run;
    run.input = answer_lines({"0.5", "0.8", "0.9", "1000", "2", "0.5", "0.1", "1073741824", "1", "3"});
    run.directory = make_scratch_directory();
    run.output = output_target::closed;
    const program_result result = run_program(run);
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_EQ(read_file(run.directory / "output.txt"), header);
}

TEST(NothingLost, InputEndingAtTheWaitKeepsEveryRow) {
    program_run run;
    std::string input = answers(3000);
    input.pop_back();  // no line left for the end-of-run wait
    run.input = input;
    run.directory = make_scratch_directory();
    const program_result result = run_program(run);
    EXPECT_EQ(result.exit_status, 2);
    EXPECT_EQ(read_file(run.directory / "output.txt"), expected_file(3000));
}

}  // namespace
}  // namespace zemrath::testing
