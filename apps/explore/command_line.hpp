// The command line of zemrath-explore: where it listens, how many threads
// its computations use, and the parameters the page starts from.
#pragma once

#include <string>

#include "cli/parsed_command_line.hpp"
#include "zemrath/answer_reader.hpp"

namespace zemrath::explore {

struct explore_request {
    std::string host = "127.0.0.1";
    int port = 8080;           // 0: any free port
    partial_answers start;     // every one given: from --answers, else the example set
};

using command_line_outcome = cli::parsed_command_line<explore_request>;

// The example the page starts from without --answers: the example values of
// the parameter table, the README's scenario.
partial_answers example_answers();

// Reads the command line and ZEMRATH_KERNEL; a usage error comes back as one
// line about the earliest mistake.
command_line_outcome parse_command_line(int argc, const char* const* argv);

}  // namespace zemrath::explore
