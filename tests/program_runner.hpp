// Runs the built zemrath program as a user would: in a scratch working
// directory, with given bytes on standard input and a chosen ZEMRATH_SEED,
// capturing standard output, standard error and the exit status.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace zemrath::testing {

struct program_result {
    std::string standard_output;
    std::string standard_error;
    int exit_status = -1;  // -1 when the process did not exit normally
    int signal = 0;        // the signal that ended it, if any
    long max_resident_kilobytes = 0;  // peak memory the process really used
};

// Where the program's standard output goes.
enum class output_target {
    file,         // captured
    broken_pipe,  // a pipe whose reading end is closed: every write fails
    closed,       // no descriptor 1 at all
};

struct program_run {
    std::string input;                      // bytes on standard input
    std::optional<std::string> seed = "0";  // ZEMRATH_SEED; nullopt leaves it unset
    std::filesystem::path directory;        // working directory; a fresh one when empty
    long file_size_limit = -1;              // RLIMIT_FSIZE in bytes, -1 for none
    long address_space_limit = -1;          // RLIMIT_AS in bytes, -1 for none
    std::filesystem::path input_file;       // if set, standard input is opened from this path instead
    output_target output = output_target::file;
};

// A fresh, empty scratch directory under the system's temporary directory.
std::filesystem::path make_scratch_directory();

// A run with these inputs and every other setting at its default.
program_run make_run(std::string input, std::optional<std::string> seed = "0",
                     std::filesystem::path directory = {});

program_result run_program(const program_run& run);

// Whether the program under test was built with the address sanitizer, which
// cannot run under an address-space limit.
inline constexpr bool program_is_sanitized =
#ifdef ZEMRATH_SANITIZED
    true;
#else
    false;
#endif

// The whole contents of a file ("" when it cannot be read).
std::string read_file(const std::filesystem::path& path);

// The ten answers, one per line, each followed by LF, and one more empty line
// to end the end-of-run wait.
std::string answer_lines(std::initializer_list<std::string> answers);

}  // namespace zemrath::testing
