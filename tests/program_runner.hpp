// Runs the built zemrath program (or another of the project's programs) as a
// user would: in a scratch working directory, with given bytes on standard
// input, given arguments and a chosen ZEMRATH_SEED, capturing standard
// output, standard error and the exit status.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace zemrath::testing {

struct program_result {
    std::string standard_output;
    std::string standard_error;
    int exit_status = -1;  // -1 when the process did not exit normally
    int signal = 0;        // the signal that ended it, if any
};

struct program_run {
    std::string input;                      // bytes on standard input
    std::optional<std::string> seed = "0";  // ZEMRATH_SEED; nullopt leaves it unset
    std::filesystem::path directory;        // working directory; a fresh one when empty
    std::vector<std::string> arguments = {};  // after the program name
    std::string program = ZEMRATH_PROGRAM_PATH;
};

// A fresh, empty scratch directory under the system's temporary directory.
std::filesystem::path make_scratch_directory();

program_result run_program(const program_run& run);

// The whole contents of a file ("" when it cannot be read).
std::string read_file(const std::filesystem::path& path);

// The ten answers, one per line, each followed by LF, and one more empty line
// to end the end-of-run wait.
std::string answer_lines(std::initializer_list<std::string> answers);

}  // namespace zemrath::testing
