// The rows and the summary of runs as R data frames, with the columns of
// zemrath-ensemble's runs.csv and summary.csv: the names and the values of
// the summary's columns are the core's, as in every summary table.
#pragma once

#include <Rcpp.h>

#include <span>

#include "zemrath/ensemble.hpp"
#include "zemrath/ensemble_summary.hpp"

// generation, embryos, larvae, adults: integer columns.
SEXP rows_frame(std::span<const zemrath::generation_row> rows);

// seed, generation, embryos, larvae, adults: every stream's rows, streams in
// the order of the seeds.
SEXP runs_frame(const zemrath::ensemble_runs& runs);

// generation (integer), then the summary's columns (reals).
SEXP summary_frame(const zemrath::ensemble_summary& summary);
