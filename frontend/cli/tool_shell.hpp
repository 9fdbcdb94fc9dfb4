// The shell every tool runs in, so that each tool says and does the same
// about the same things: --help and --version, the counting kernel of
// ZEMRATH_KERNEL, --threads, the earliest mistake on the command line
// reported first, a closed standard output, and the exit statuses of one
// table (cli/exit_status.hpp).
#pragma once

#include <CLI/CLI.hpp>

#include <new>
#include <optional>
#include <string>
#include <string_view>

#include "cli/exit_status.hpp"
#include "cli/parsed_command_line.hpp"
#include "cli/usage_problems.hpp"
#include "results/interruption.hpp"
#include "zemrath/error.hpp"

namespace zemrath::cli {

// The tool's name and version for --version, and the footer of its --help
// followed by the exit-status table.
void describe_tool(CLI::App& app, std::string_view program, std::string_view footer);

// --threads N, read into text: `what` runs at once, 1 to max_threads.
CLI::Option* add_threads_option(CLI::App& app, std::string& text, std::string_view what);

// The kernel that ZEMRATH_KERNEL asks for and the threads of --threads
// (threads may be null for a tool without the option); a bad setting or
// value is noted on line.
tool_settings read_tool_settings(command_arguments& line, const CLI::Option* threads, const std::string& threads_text);

// The command line as read: its earliest problem as a usage error, else the
// request to run with the settings.
template <typename Request>
parsed_command_line<Request> read_outcome(std::string_view program, const command_arguments& line, Request request,
                                          tool_settings settings) {
    if (const usage_problem* problem = earliest_problem(line))
        return usage_error<Request>(program, problem->message, problem->subject);
    parsed_command_line<Request> outcome;
    outcome.request = std::move(request);
    outcome.settings = settings;
    return outcome;
}

// A closed standard output is put on /dev/null at once, so that no file the
// tool opens takes its place; writes to it then fail, as they should.
void guard_standard_output();

// Writes text to standard output and flushes it; the system's reason when
// that fails.
std::optional<std::string> write_standard_output(std::string_view text);

// "program: message" on standard error; a line as it is.
void report(std::string_view program, const std::string& message);
void report_line(const std::string& line);

// The status for a failure of the library that a tool's work let through,
// reported in the program's words.
int report_failure(std::string_view program, const error& failure);

// A tool's main. Reads the command line with parse; prints the help or
// version text (status 0), or the usage error (status 2); or runs
// body(request, settings) and returns its status. A failure the body lets
// through is reported with the status of the table.
template <typename Request, typename Body>
int run_tool(std::string_view program, int argc, const char* const* argv,
             parsed_command_line<Request> (*parse)(int, const char* const*), Body&& body) {
    guard_standard_output();
    try {
        const parsed_command_line<Request> command = parse(argc, argv);
        switch (command.kind) {
        case parsed_command_line<Request>::help:
        case parsed_command_line<Request>::version:
            if (const std::optional<std::string> reason = write_standard_output(command.text)) {
                report(program, "cannot write to standard output: " + *reason);
                return exit_failed;
            }
            return exit_done;
        case parsed_command_line<Request>::usage_error:
            report_line(command.text);
            return exit_usage;
        case parsed_command_line<Request>::run: break;
        }
        return body(command.request, command.settings);
    } catch (const error& failure) {
        return report_failure(program, failure);
    } catch (const std::bad_alloc&) {
        report(program, "not enough memory");
        return exit_failed;
    }
}

}  // namespace zemrath::cli
