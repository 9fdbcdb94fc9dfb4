// The files of an ensemble in its output directory: runs.csv (unless not
// wanted), summary.csv and report.svg, each replaced whole.
#pragma once

#include <optional>
#include <string>

#include "ensemble/command_line.hpp"
#include "zemrath/ensemble.hpp"
#include "zemrath/ensemble_summary.hpp"

namespace zemrath::ensemble {

// Creates the directory if needed and writes the files. Returns a one-line
// reason for the first failure; files already written stay, the failed one
// and those after it keep their earlier contents.
std::optional<std::string> write_result_files(const ensemble_request& request,
                                              const ensemble_runs& runs,
                                              const ensemble_summary& summary);

}  // namespace zemrath::ensemble
