// What a tool's command line comes to: a request to carry out with the
// settings every tool has, a text to print (help, version), or a usage
// error of one line.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "zemrath/count_kernel.hpp"

namespace zemrath::cli {

// What every tool runs with beside its own request.
struct tool_settings {
    std::optional<count_kernel> kernel;  // ZEMRATH_KERNEL; none: the fastest this processor runs
    int threads = 0;                     // --threads; 0: every core
};

template <typename Request>
struct parsed_command_line {
    enum kind_t { run, help, version, usage_error } kind = run;
    Request request;         // for run
    tool_settings settings;  // for run
    std::string text;        // for help and version the text to print, for usage_error one line
    std::string subject;     // for usage_error: the option or setting it is about ("--threads")
};

// A usage error in the program's words: "zemrath-sweep: --out is required".
template <typename Request>
parsed_command_line<Request> usage_error(std::string_view program, const std::string& message,
                                         std::string subject = {}) {
    parsed_command_line<Request> outcome;
    outcome.kind = parsed_command_line<Request>::usage_error;
    outcome.text = std::string(program) + ": " + message;
    outcome.subject = std::move(subject);
    return outcome;
}

}  // namespace zemrath::cli
