// The command line of zemrath-sweep:
//   zemrath-sweep run EXPERIMENT.toml --out DIR [--threads N] [--shard K/N] [--restart] [--quiet]
//                     [--figure-outcome NAME] [--figure-generation G]
//   zemrath-sweep merge DIR [--quiet] [--figure-outcome NAME] [--figure-generation G]
#pragma once

#include <filesystem>
#include <string>

#include "cli/parsed_command_line.hpp"
#include "sweep/sweep_svg.hpp"

namespace zemrath::sweep {

struct sweep_request {
    enum command_t { run, merge } command = run;
    std::filesystem::path experiment_file;  // run
    std::filesystem::path out_directory;    // run: --out; merge: its argument
    int shard = 0;                           // this shard, 0 to shards - 1
    int shards = 1;
    bool restart = false;
    bool quiet = false;
    figure_choice figure;  // what sweep.svg shows
};

using command_line_outcome = cli::parsed_command_line<sweep_request>;

command_line_outcome parse_command_line(int argc, const char* const* argv);

}  // namespace zemrath::sweep
