// Checks that the command-line tools share, so that they word a usage error
// the same way: an unknown option with the known one it was probably meant
// to be, and whole numbers that must be numbers and within a range.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zemrath::cli {

// "unknown option --seed (did you mean --seeds?)", or without the hint when
// no known option is close.
std::string unknown_option_message(std::string_view given, const std::vector<std::string>& known);

// The whole number in text, from low to high. On failure, reason says why:
// "'abc' is not a number" or "0 is not from 1 to 1024".
std::optional<int> whole_number_in_range(std::string_view text, int low, int high, std::string& reason);

// The position of the first argument that gives this option ("--name" or
// "--name=..."), or argc when none does; usage errors are reported for the
// earliest offending argument.
int option_position(int argc, const char* const* argv, std::string_view name);

}  // namespace zemrath::cli
