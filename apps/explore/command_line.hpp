// The command line of zemrath-explore: where it listens, how many threads
// its computations use, and the parameters the page starts from.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "cli/parsed_command_line.hpp"
#include "zemrath/answer_reader.hpp"

namespace zemrath::explore {

struct explore_request {
    std::string host = "127.0.0.1";
    int port = 8080;           // 0: any free port
    partial_answers start;     // every one given: from --answers, else the example set
    std::size_t max_memory = 0;  // bytes one computation may need: --max-memory, else default_memory_limit()
};

using command_line_outcome = cli::parsed_command_line<explore_request>;

// The example the page starts from without --answers: the example values of
// the parameter table, the README's scenario.
partial_answers example_answers();

// A size as --max-memory takes it: a number of bytes, whole or with a
// fraction, optionally followed by K, M, G or T (powers of 1024), such as
// 512M or 1.5G; none when the text is not such a size or is 0.
std::optional<std::size_t> size_from_text(std::string_view text);

// Reads the command line and ZEMRATH_KERNEL; a usage error comes back as one
// line about the earliest mistake.
command_line_outcome parse_command_line(int argc, const char* const* argv);

}  // namespace zemrath::explore
