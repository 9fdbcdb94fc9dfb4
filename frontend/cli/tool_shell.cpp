#include "cli/tool_shell.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "cli/option_checks.hpp"
#include "zemrath/threads.hpp"
#include "zemrath/version.hpp"

namespace zemrath::cli {

namespace {

bool standard_output_closed = false;

}  // namespace

void describe_tool(CLI::App& app, std::string_view program, std::string_view footer) {
    app.name(std::string(program));
    app.footer(std::string(footer) + (footer.empty() ? "" : "\n\n") + exit_status_help());
    app.set_version_flag("--version", std::string(program) + " " + std::string(version));
}

CLI::Option* add_threads_option(CLI::App& app, std::string& text, std::string_view what) {
    return app
        .add_option("--threads", text,
                    std::string(what) + " at once, 1 to " + std::to_string(max_threads) + " (default: every core)")
        ->type_name("N");
}

tool_settings read_tool_settings(command_arguments& line, const CLI::Option* threads, const std::string& threads_text) {
    tool_settings settings;
    const std::string variable(kernel_variable);
    try {
        settings.kernel = kernel_from_setting(std::getenv(variable.c_str()));
    } catch (const error& failure) {
        note_environment_problem(line, variable, variable + ": " + failure.what());
    }
    if (threads != nullptr && threads->count() > 0) {
        std::string reason;
        if (const std::optional<int> n = whole_number_in_range(threads_text, 1, max_threads, reason))
            settings.threads = *n;
        else
            note_option_problem(line, "--threads", "--threads: " + reason);
    }
    return settings;
}

void guard_standard_output() {
    if (::fcntl(STDOUT_FILENO, F_GETFD) != -1 || errno != EBADF) return;
    standard_output_closed = ::open("/dev/null", O_WRONLY) == STDOUT_FILENO;
}

std::optional<std::string> write_standard_output(std::string_view text) {
    if (standard_output_closed) return std::string(std::strerror(EBADF));
    if (std::fwrite(text.data(), 1, text.size(), stdout) == text.size() && std::fflush(stdout) == 0)
        return std::nullopt;
    return std::string(std::strerror(errno));
}

void report(std::string_view program, const std::string& message) {
    report_line(std::string(program) + ": " + message);
}

void report_line(const std::string& line) {
    std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
}

int report_failure(std::string_view program, const error& failure) {
    if (failure.code() == error_code::cancelled && results::interrupted()) {
        report(program, "interrupted");
        return results::interruption_status();
    }
    report(program, failure.what());
    return exit_status_of(failure);
}

}  // namespace zemrath::cli
