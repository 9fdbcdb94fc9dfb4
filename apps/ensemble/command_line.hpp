// The command line of zemrath-ensemble: the ten parameters (from an answers
// file, from one option each, or both), the streams to run, and where the
// results go or which results file to identify.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/parsed_command_line.hpp"
#include "cli/parameter_options.hpp"
#include "zemrath/parameters.hpp"

namespace zemrath::ensemble {

struct ensemble_request {
    parameter_set parameters;      // as answered: carrying_capacity not yet halved
    std::array<std::string, answer_fields.size()> answer_texts;  // each answer as it was given
    std::vector<std::int32_t> seeds;  // ascending, distinct, 0 to 999
    std::filesystem::path out_directory;
    bool write_runs = true;        // false: no runs.csv (and an earlier one goes)
    bool quiet = false;            // no progress on standard error
    std::filesystem::path identify;  // not empty: find the seeds of this results file instead
    std::vector<std::string> command;  // the arguments, the program's name first
};

using command_line_outcome = cli::parsed_command_line<ensemble_request>;

// The option of each parameter ("--embryo-larval-survival"), as every tool
// names it.
using cli::parameter_option_name;

// Reads the command line and ZEMRATH_KERNEL. Nothing is written and no
// directory is created: a usage error (a bad kernel setting, an unknown
// option, a missing parameter, an unreadable value, a bad seed list, an
// empty directory name) comes back as one line about the earliest mistake:
// the environment's, then the first offending option on the command line,
// then what is missing.
command_line_outcome parse_command_line(int argc, const char* const* argv);

}  // namespace zemrath::ensemble
