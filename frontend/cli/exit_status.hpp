// The exit statuses of every tool: one table, the same whatever the tool and
// whatever the input.
//
//   0            done
//   1            the work or its files failed (a write, memory, what the
//                tool was asked to find was not there)
//   2            a usage error, or input that cannot be read or is not valid,
//                whatever the input (an option, a file, an environment
//                setting); nothing was written
//   129/130/143  stopped by SIGHUP, SIGINT or SIGTERM (128 + the signal)
#pragma once

#include <string>

#include "zemrath/error.hpp"

namespace zemrath::cli {

inline constexpr int exit_done = 0;
inline constexpr int exit_failed = 1;
inline constexpr int exit_usage = 2;

// The status for a failure of the library: 2 for input that is not valid or
// cannot be read, 1 for work that failed. A cancelled run is the caller's to
// report (it knows which signal stopped it).
int exit_status_of(const error& failure);

// The table for --help: "Exit status: 0 done; 1 ...", wrapped to 92 columns.
std::string exit_status_help();

}  // namespace zemrath::cli
