// One stream and an ensemble of streams, run for R.
#include <Rcpp.h>

#include <vector>

#include "core_errors.hpp"
#include "ensemble_tables.hpp"
#include "interrupts.hpp"
#include "parameters.hpp"
#include "zemrath/ensemble.hpp"
#include "text/ensemble_text.hpp"
#include "zemrath/ensemble_analysis.hpp"
#include "zemrath/stream.hpp"

// The rows of one stream, as output.txt holds them after a run seeded with
// `seed`, its long counts on up to `threads` threads.
// [[Rcpp::export(rng = false)]]
SEXP cpp_run_stream(const Rcpp::List& parameters, int seed, int threads) {
    const zemrath::parameter_set answers = parameters_from_r(parameters);
    return core_entry([&] {
        zemrath::stream_options options;
        options.threads = threads;
        const std::vector<zemrath::generation_row> rows =
            zemrath::run_stream(zemrath::derive_model_parameters(answers), seed, options);
        return rows_frame(rows);
    });
}

// The streams of every seed on up to `threads` threads: the runs, their
// summary, and the text zemrath-ensemble prints for them. An interrupt stops
// the streams between two of them.
// [[Rcpp::export(rng = false)]]
Rcpp::List cpp_run_ensemble(const Rcpp::List& parameters, const std::vector<int>& seeds, int threads) {
    const zemrath::parameter_set answers = parameters_from_r(parameters);
    return core_entry([&] {
        const zemrath::ensemble_options options = interruptible_options(threads);
        const zemrath::ensemble_runs runs =
            zemrath::run_ensemble(zemrath::derive_model_parameters(answers), seeds, options);
        const zemrath::ensemble_analysis analysis = zemrath::analyse_ensemble(runs);
        // Each frame is protected while the next one is made.
        const Rcpp::RObject runs_table = runs_frame(runs);
        const Rcpp::RObject summary_table = summary_frame(analysis.summary);
        return Rcpp::List::create(Rcpp::Named("runs") = runs_table, Rcpp::Named("summary") = summary_table,
                                  Rcpp::Named("text") = zemrath::text::ensemble_summary_text(analysis));
    });
}
