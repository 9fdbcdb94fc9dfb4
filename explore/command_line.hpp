// The command line of zemrath-explore: where it listens, how many threads
// its computations use, and the parameters the page starts from.
#pragma once

#include <string>

#include "zemrath/answer_reader.hpp"

namespace zemrath::explore {

struct explore_request {
    std::string host = "127.0.0.1";
    int port = 8080;           // 0: any free port
    int threads = 0;           // 0: every core
    partial_answers start;     // every one given: from --answers, else the example set
};

struct command_line_outcome {
    enum kind_t { run, help, version, usage_error } kind = run;
    explore_request request;   // for run
    std::string text;          // for help and version the text to print, for usage_error one line
};

// The example the page starts from without --answers: the README's
// scenario, about a third of whose streams die out within 100 generations.
partial_answers example_answers();

// Reads the command line; a usage error comes back as one line naming the
// offending option.
command_line_outcome parse_command_line(int argc, const char* const* argv);

}  // namespace zemrath::explore
