// One stream and an ensemble of streams, run for R.
#include <Rcpp.h>

#include <cstdint>
#include <vector>

#include "core_errors.hpp"
#include "ensemble_tables.hpp"
#include "interrupts.hpp"
#include "parameters.hpp"
#include "zemrath/ensemble.hpp"
#include "text/ensemble_text.hpp"
#include "zemrath/ensemble_analysis.hpp"
#include "zemrath/stream.hpp"

namespace {

// The rows of one stream, generation by generation, R asked between them
// whether to stop.
std::vector<zemrath::generation_row> interruptible_stream(const zemrath::model_parameters& parameters,
                                                          std::int32_t seed, const zemrath::stream_options& options) {
    zemrath::stream s = zemrath::create_stream(parameters, options);
    zemrath::seed_stream(s, seed);
    std::vector<zemrath::generation_row> rows;
    rows.reserve(zemrath::rows_per_stream(parameters));
    rows.push_back(zemrath::first_row(s));
    interrupt_poll poll;
    while (zemrath::has_next_generation(s)) {
        stop_if_interrupted(poll);
        rows.push_back(zemrath::next_generation(s));
    }
    return rows;
}

}  // namespace

// The rows of one stream, as output.txt holds them after a run seeded with
// `seed`, its long counts on up to `threads` threads. An interrupt stops the
// stream between two generations.
// [[Rcpp::export(rng = false)]]
SEXP cpp_run_stream(const Rcpp::List& parameters, int seed, int threads) {
    const zemrath::parameter_set answers = parameters_from_r(parameters);
    return core_entry([&] {
        zemrath::stream_options options;
        options.threads = threads;
        return rows_frame(interruptible_stream(zemrath::derive_model_parameters(answers), seed, options));
    });
}

// The streams of every seed on up to `threads` threads: the runs, their
// summary, and the text zemrath-ensemble prints for them. An interrupt starts
// no further stream and stops those under way at their next generation.
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
