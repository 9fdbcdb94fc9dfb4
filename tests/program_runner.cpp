#include "program_runner.hpp"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace zemrath::testing {

namespace {

void write_file(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

}  // namespace

std::filesystem::path make_scratch_directory() {
    static std::atomic<int> counter{0};
    const auto path = std::filesystem::temp_directory_path() /
                      ("zemrath-test-" + std::to_string(::getpid()) + "-" +
                       std::to_string(counter++));
    std::filesystem::remove_all(path);
    std::filesystem::create_directories(path);
    return path;
}

program_result run_program(const program_run& run) {
    const auto directory = run.directory.empty() ? make_scratch_directory() : run.directory;
    const auto scratch = make_scratch_directory();
    const auto input_path = scratch / "stdin";
    const auto output_path = scratch / "stdout";
    const auto error_path = scratch / "stderr";
    write_file(input_path, run.input);

    // The argument list is built before the fork, so that the child does no
    // more than set up its descriptors and environment and exec.
    const std::string name = std::filesystem::path(run.program).filename().string();
    std::vector<char*> argv{const_cast<char*>(name.c_str())};
    for (const std::string& argument : run.arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    const pid_t child = ::fork();
    if (child == 0) {
        const int in = ::open(input_path.c_str(), O_RDONLY);
        const int out = ::open(output_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = ::open(error_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || out < 0 || err < 0 || ::chdir(directory.c_str()) != 0) ::_exit(127);
        ::dup2(in, 0);
        ::dup2(out, 1);
        ::dup2(err, 2);
        if (run.seed)
            ::setenv("ZEMRATH_SEED", run.seed->c_str(), 1);
        else
            ::unsetenv("ZEMRATH_SEED");
        ::execv(run.program.c_str(), argv.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(child, &status, 0);

    program_result result;
    result.standard_output = read_file(output_path);
    result.standard_error = read_file(error_path);
    if (WIFEXITED(status)) result.exit_status = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
    std::filesystem::remove_all(scratch);
    return result;
}

std::string read_file(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::string answer_lines(std::initializer_list<std::string> answers) {
    std::string text;
    for (const auto& answer : answers) text += answer + "\n";
    return text + "\n";
}

}  // namespace zemrath::testing
