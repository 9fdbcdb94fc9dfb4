// The files of an ensemble in its output directory, written as one set:
// runs.csv (unless not wanted, and then an earlier one is removed),
// summary.csv, report.svg, and the run's provenance (run-answers.txt and
// run.toml).
#pragma once

#include "ensemble/command_line.hpp"
#include "zemrath/ensemble.hpp"
#include "zemrath/ensemble_analysis.hpp"

namespace zemrath::ensemble {

// Writes the set in full and puts it in place; an earlier set stays whole
// until then. Throws zemrath::error (write_failed, or cancelled on an
// interruption) with the earlier set left as it was.
void write_result_files(const ensemble_request& request, const ensemble_runs& runs, const ensemble_analysis& analysis);

}  // namespace zemrath::ensemble
