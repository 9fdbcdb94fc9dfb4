// Where a set of result files came from, written beside them: the answers
// exactly as given, as a file that both programs read again, and a record of
// the run (program, version, time, seeds, generations, command line).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "zemrath/parameters.hpp"

namespace zemrath::results {

inline constexpr const char* answers_file_name = "run-answers.txt";
inline constexpr const char* record_file_name = "run.toml";

struct provenance {
    std::string program;
    std::array<std::string, answer_fields.size()> answers;  // as given
    std::string seeds;                                      // as a seed list, "0-999"
    std::int32_t generations = 0;
    std::vector<std::string> command;                       // the program's arguments, its name first
};

// The ten answers, one per line, then an empty line: fed to zemrath on
// standard input it answers the ten prompts and ends the closing wait, and
// zemrath-ensemble reads it with --answers.
std::string answers_file_text(const provenance& run);

// A TOML record of the run, with the time it is written, in UTC.
std::string record_file_text(const provenance& run);

}  // namespace zemrath::results
