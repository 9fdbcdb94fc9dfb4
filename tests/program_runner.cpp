#include "program_runner.hpp"

#include <fcntl.h>
#include <grp.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <thread>
#include <cstdlib>
#include <fstream>
#include <chrono>
#include <regex>
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

program_run make_run(std::string input, std::optional<std::string> seed,
                     std::filesystem::path directory) {
    program_run run;
    run.input = std::move(input);
    run.seed = std::move(seed);
    run.directory = std::move(directory);
    return run;
}

program_run make_ensemble_run(std::vector<std::string> arguments, std::filesystem::path directory) {
    program_run run = make_run("", std::nullopt, std::move(directory));
    run.arguments = std::move(arguments);
    run.program = ZEMRATH_ENSEMBLE_PATH;
    return run;
}

program_run make_sweep_run(std::vector<std::string> arguments, std::filesystem::path directory) {
    program_run run = make_ensemble_run(std::move(arguments), std::move(directory));
    run.program = ZEMRATH_SWEEP_PATH;
    return run;
}

program_run make_explore_run(std::vector<std::string> arguments) {
    program_run run = make_ensemble_run(std::move(arguments));
    run.program = ZEMRATH_EXPLORE_PATH;
    return run;
}

started_program start_program(const program_run& run) {
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
        const auto& stdin_path = run.input_file.empty() ? input_path : run.input_file;
        const int in = ::open(stdin_path.c_str(), O_RDONLY);
        const int out = ::open(output_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = ::open(error_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || out < 0 || err < 0 || ::chdir(directory.c_str()) != 0) ::_exit(127);
        ::dup2(in, 0);
        ::dup2(err, 2);
        if (run.output == output_target::file) {
            ::dup2(out, 1);
        } else if (run.output == output_target::broken_pipe) {
            int ends[2];
            if (::pipe(ends) != 0) ::_exit(127);
            ::close(ends[0]);
            ::dup2(ends[1], 1);
        } else if (run.output == output_target::full) {
            const int full = ::open("/dev/full", O_WRONLY);
            if (full < 0) ::_exit(127);
            ::dup2(full, 1);
            ::close(full);
        } else {
            ::close(1);
        }
        ::close(in);
        ::close(out);
        ::close(err);
        if (run.file_size_limit >= 0) {
            const rlimit limit{static_cast<rlim_t>(run.file_size_limit),
                               static_cast<rlim_t>(run.file_size_limit)};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        }
        if (run.address_space_limit >= 0) {
            const rlimit limit{static_cast<rlim_t>(run.address_space_limit),
                               static_cast<rlim_t>(run.address_space_limit)};
            ::setrlimit(RLIMIT_AS, &limit);
        }
        for (const auto& [name, value] : {std::pair{"ZEMRATH_SEED", &run.seed}, {"ZEMRATH_KERNEL", &run.kernel}}) {
            if (*value)
                ::setenv(name, (*value)->c_str(), 1);
            else
                ::unsetenv(name);
        }
        if (run.unprivileged && ::geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 ||
                                                     ::setuid(65534) != 0))
            ::_exit(127);
        ::execv(run.program.c_str(), argv.data());
        ::_exit(127);
    }
    return {child, scratch};
}

int printed_port(const started_program& started) {
    const std::regex address(R"(http://[^ ]+:(\d+)/)");
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (std::chrono::steady_clock::now() < give_up) {
        std::smatch found;
        const std::string output = read_file(started.scratch / "stdout");
        if (std::regex_search(output, found, address)) return std::stoi(found[1]);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return 0;
}

program_result finish_program(const started_program& started) {
    const auto output_path = started.scratch / "stdout";
    const auto error_path = started.scratch / "stderr";
    int status = 0;
    rusage usage{};
    ::wait4(started.pid, &status, 0, &usage);

    program_result result;
    result.standard_output = read_file(output_path);
    result.standard_error = read_file(error_path);
    if (WIFEXITED(status)) result.exit_status = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
    result.max_resident_kilobytes = usage.ru_maxrss;
    std::filesystem::remove_all(started.scratch);
    return result;
}

program_result run_program(const program_run& run) { return finish_program(start_program(run)); }

bounded_result run_program_within(const program_run& run, std::chrono::milliseconds limit) {
    const started_program started = start_program(run);
    const auto deadline = std::chrono::steady_clock::now() + limit;
    bounded_result bounded;
    for (;;) {
        // Looked at without being waited for, so that finish_program reaps it.
        siginfo_t info{};
        if (::waitid(P_PID, static_cast<id_t>(started.pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid != 0)
            break;
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(started.pid, SIGKILL);
            bounded.timed_out = true;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    bounded.result = finish_program(started);
    return bounded;
}

std::string read_file(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::string answer_lines(const std::vector<std::string>& answers) {
    std::string text;
    for (const auto& answer : answers) text += answer + "\n";
    return text + "\n";
}

std::string answer_lines(std::initializer_list<std::string> answers) { return answer_lines(std::vector(answers)); }

}  // namespace zemrath::testing
