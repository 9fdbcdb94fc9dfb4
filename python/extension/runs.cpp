// One stream and an ensemble of streams, run for Python.
#include "runs.hpp"

#include <cstdint>
#include <vector>

#include "columns.hpp"
#include "core_calls.hpp"
#include "text/ensemble_text.hpp"
#include "zemrath/ensemble.hpp"
#include "zemrath/ensemble_analysis.hpp"
#include "zemrath/outcomes.hpp"
#include "zemrath/stream.hpp"

namespace zemrath::python {

namespace py = pybind11;

namespace {

// Rows reserved at once: a stream of more generations grows as it runs,
// so that a very long one is interrupted, not refused for its memory.
constexpr std::size_t rows_reserved_at_most = 10'000'000;

// The rows of one stream, generation by generation, Python asked between
// them whether to stop.
std::vector<generation_row> interruptible_stream(const model_parameters& parameters, std::int32_t seed,
                                                 const stream_options& options, interrupt_watch& watch) {
    stream s = create_stream(parameters, options);
    seed_stream(s, seed);
    std::vector<generation_row> rows;
    rows.reserve(std::min(rows_per_stream(parameters), rows_reserved_at_most));
    rows.push_back(first_row(s));
    while (has_next_generation(s)) {
        if (watch.stop_requested_now_and_then()) throw error(error_code::cancelled, "interrupted");
        rows.push_back(next_generation(s));
    }
    return rows;
}

py::dict outcomes_dict(const point_outcomes& outcomes) {
    py::dict values;
    for (const outcome_column& column : outcome_columns) values[py::str(std::string(column.name))] = outcomes.*column.field;
    return values;
}

}  // namespace

py::dict run_stream_rows(const py::dict& values, std::int32_t seed, int threads) {
    const model_parameters parameters = derive_model_parameters(parameters_from(values));
    stream_options options;
    options.threads = threads;
    const std::vector<generation_row> rows = without_interpreter_lock(
        [&](interrupt_watch& watch) { return interruptible_stream(parameters, seed, options, watch); });
    return rows_columns(rows);
}

py::dict run_ensemble_tables(const py::dict& values, const std::vector<std::int32_t>& seeds, int threads,
                             bool keep_runs) {
    const model_parameters parameters = derive_model_parameters(parameters_from(values));
    struct result {
        ensemble_runs runs;
        ensemble_analysis analysis;
        std::string text;
    };
    result r = without_interpreter_lock([&](interrupt_watch& watch) {
        ensemble_options options;
        options.threads = threads;
        options.cancel_requested = [&watch] { return watch.stop_requested(); };
        options.report_interval = interrupt_interval;
        result made;
        made.runs = run_ensemble(parameters, seeds, options);
        made.analysis = analyse_ensemble(made.runs);
        made.text = text::ensemble_summary_text(made.analysis);
        if (!keep_runs) made.runs = {};
        return made;
    });
    py::dict tables;
    tables["summary"] = summary_columns(r.analysis.summary);
    tables["outcomes"] = outcomes_dict(r.analysis.outcomes);
    tables["runs"] = keep_runs ? py::object(runs_columns(r.runs)) : py::object(py::none());
    tables["text"] = r.text;
    tables["extinct_streams"] = r.analysis.extinct_streams;
    tables["wrapped_streams"] = r.analysis.wrapped_streams;
    tables["first_wrapped_generation"] = r.analysis.first_wrapped_generation
                                             ? py::object(py::int_(*r.analysis.first_wrapped_generation))
                                             : py::object(py::none());
    return tables;
}

}  // namespace zemrath::python
