// What a tool's command line comes to: a request to carry out, a text to
// print (help, version), or a usage error of one line.
#pragma once

#include <string>
#include <string_view>

namespace zemrath::cli {

template <typename Request>
struct parsed_command_line {
    enum kind_t { run, help, version, usage_error } kind = run;
    Request request;   // for run
    std::string text;  // for help and version the text to print, for usage_error one line
};

// A usage error in the program's words: "zemrath-sweep: --out is required".
template <typename Request>
parsed_command_line<Request> usage_error(std::string_view program, const std::string& message) {
    parsed_command_line<Request> outcome;
    outcome.kind = parsed_command_line<Request>::usage_error;
    outcome.text = std::string(program) + ": " + message;
    return outcome;
}

}  // namespace zemrath::cli
