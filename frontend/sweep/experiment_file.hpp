// The experiment file: a TOML file naming the base answers, the seeds, the
// parameters to vary and the design. One reader for every front end that
// takes experiments (zemrath-sweep, the Python package), so that a file
// means the same everywhere and is refused with the same words.
//
//   answers = "answers.txt"     # the ten answers as typed at the prompts (optional)
//   seeds = "0-999"             # as --seeds of zemrath-ensemble; all by default
//   [parameters]                # overrides of the base, by option name
//   generations = 50
//   [vary.carrying-capacity]
//   values = [100, 400, 1600]
//   [vary.adult-survival]
//   from = 0.3
//   to = 0.6
//   points = 4                  # evenly spaced, ends included
//   scale = "linear"            # or "log"
//   [design]
//   kind = "grid"               # grid | one-at-a-time | latin-hypercube | sobol | morris | efast
//   samples = 64                # latin-hypercube, sobol; efast: per parameter (65 or more)
//   sample-seed = 1
//   trajectories = 20           # morris (needed), with levels = 4 and select-from = N
//   resamples = 1               # efast: its phases
//
// Parameters are named as zemrath-ensemble's options, without the dashes
// in front. A value is a number or a string in the prompts' answer syntax.
// The vary tables keep the order of the file: on a grid the first varies
// slowest.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "zemrath/design.hpp"
#include "zemrath/input_file.hpp"

namespace zemrath::sweep {

// An experiment file: a few tables, and lists of values that a person
// writes or a script makes. Four mebibytes hold lists of hundreds of
// thousands of values, more than any design that runs in a lifetime needs.
inline constexpr input_kind experiment_file_kind{"experiment file", std::size_t{4} << 20};

struct experiment {
    experiment_design design;
    std::vector<std::int32_t> seeds;  // ascending, distinct
    std::string answers_path;         // as the file gives it; empty when there is none
};

// Gives the bytes of the answers file an experiment names, by its path as
// written in the experiment.
using answers_loader = std::function<std::string(const std::string& path)>;

// Reads the experiment from its text. `name` names the file in messages;
// `load_answers` gives the bytes of the answers file the experiment names.
// Any problem throws error_code::bad_value with "name:line: key: reason"
// and the key as the error's subject; so does a design of more points than
// the memory of this machine can keep track of, naming the key that makes it
// so large (a range's points, a list of values, samples), before any point
// is made.
experiment parse_experiment(std::string_view text, const std::string& name, const answers_loader& load_answers);

// The answers file that the experiment file `experiment_file` names as
// `answers_path`: relative to the experiment file's folder, read as checked
// input (read_input_file).
std::string read_answers_beside(const std::filesystem::path& experiment_file, const std::string& answers_path);

// The name of a parameter in the file ("carrying-capacity").
std::string parameter_key(std::size_t answer);

}  // namespace zemrath::sweep
