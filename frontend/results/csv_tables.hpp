// The two tables of an ensemble as comma-separated text with a header line,
// one record per line ending in LF.
//
// runs.csv: seed,generation,embryos,larvae,adults; one line per stream and
// generation, streams in seed order, generation 0 included.
// summary.csv: generation, then for embryos, larvae and adults in turn
// <count>_mean, _sd, _min, _p5, _p25, _p50, _p75, _p95, _max, then
// extinct_fraction and wrapped_fraction.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "zemrath/ensemble.hpp"
#include "zemrath/ensemble_summary.hpp"

namespace zemrath::results {

// Each writer hands its text to `sink` in pieces of whole lines.
using text_sink = std::function<void(std::string_view)>;

void write_runs_csv(const ensemble_runs& runs, const text_sink& sink);

void write_summary_csv(const ensemble_summary& summary, const text_sink& sink);

// The header line's columns after "generation", comma-separated: the
// names every summary table of the project uses (summary_column_names).
std::string summary_columns();

// One line of summary.csv (generation, the statistics, LF).
std::string summary_line(const generation_summary& generation);

}  // namespace zemrath::results
