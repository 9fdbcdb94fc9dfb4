// The two tables of an ensemble as comma-separated text with a header line,
// one record per line ending in LF.
//
// runs.csv: seed,generation,embryos,larvae,adults; one line per stream and
// generation, streams in seed order, generation 0 included.
// summary.csv: generation, then for embryos, larvae and adults in turn
// <count>_mean, _sd, _min, _p5, _p25, _p50, _p75, _p95, _max, then
// extinct_fraction and wrapped_fraction.
#pragma once

#include "ensemble/staged_file.hpp"
#include "zemrath/ensemble.hpp"
#include "zemrath/ensemble_summary.hpp"

namespace zemrath::ensemble {

void write_runs_csv(staged_file& file, const ensemble_runs& runs);

void write_summary_csv(staged_file& file, const ensemble_summary& summary);

}  // namespace zemrath::ensemble
