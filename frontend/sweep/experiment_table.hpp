// An experiment given as a table already made, not as a file's text: the
// keys and values of an experiment file, built by a front end from its own
// kind of mapping (a Python dict) and read by the same reader as a file.
//
// Such a table has no lines. Its keys carry their place in the mapping as
// their column on line 0 (toml::key's source region), which gives the
// reader the mapping's order (on a grid the first varied parameter varies
// slowest); messages about it name no line ("name: key: reason").
#pragma once

#include <string>

#include <toml++/toml.h>

#include "sweep/experiment_file.hpp"

namespace zemrath::sweep {

// The experiment of the table, read and checked as parse_experiment reads
// and checks a file's.
experiment read_experiment_table(const toml::table& root, const std::string& name, const answers_loader& load_answers);

}  // namespace zemrath::sweep
