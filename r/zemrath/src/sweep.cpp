// Experiments for R: the design's points, one point's results, and the
// sensitivity of the outcomes, all from the core, so that R and the sweep
// tool give the same points in the same order and the same numbers.
#include <Rcpp.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "core_errors.hpp"
#include "data_frames.hpp"
#include "ensemble_tables.hpp"
#include "interrupts.hpp"
#include "parameters.hpp"
#include "zemrath/design.hpp"
#include "zemrath/ensemble.hpp"
#include "zemrath/ensemble_analysis.hpp"
#include "zemrath/outcomes.hpp"
#include "zemrath/ensemble_summary.hpp"
#include "zemrath/sweep_analysis.hpp"
#include "zemrath/variance_share.hpp"

namespace {

zemrath::design_kind kind_named(const std::string& name) {
    if (const std::optional<zemrath::design_kind> kind = zemrath::design_kind_named(name)) return *kind;
    throw zemrath::error(zemrath::error_code::bad_value, "no design is called " + name);
}

bool takes_ranges(zemrath::design_kind kind) {
    return kind != zemrath::design_kind::grid && kind != zemrath::design_kind::one_at_a_time;
}

// The design from run_sweep()'s arguments: `vary` names the parameters in
// order, each with its list of values or, for the sampled designs, its
// range c(from, to); `settings` holds the Morris and eFAST designs'
// trajectories, levels, select_from and resamples.
zemrath::experiment_design design_from_r(const Rcpp::List& base, const Rcpp::List& vary, const std::string& kind,
                                         int samples, double sample_seed, const Rcpp::List& settings) {
    zemrath::experiment_design design;
    design.base = parameters_from_r(base);
    design.kind = kind_named(kind);
    design.samples = samples;
    design.sample_seed = static_cast<std::uint64_t>(sample_seed);
    design.trajectories = Rcpp::as<int>(settings["trajectories"]);
    design.levels = Rcpp::as<int>(settings["levels"]);
    design.select_from = Rcpp::as<int>(settings["select_from"]);
    design.resamples = Rcpp::as<int>(settings["resamples"]);
    const Rcpp::CharacterVector names = vary.names();
    for (R_xlen_t j = 0; j < vary.size(); ++j) {
        const std::string name = Rcpp::as<std::string>(names[j]);
        zemrath::varied_parameter parameter;
        parameter.answer = zemrath::answer_index(name);
        if (parameter.answer == zemrath::answer_fields.size())
            throw zemrath::error(zemrath::error_code::bad_value, "no parameter is called " + name);
        const std::vector<double> values = Rcpp::as<std::vector<double>>(vary[j]);
        if (!takes_ranges(design.kind)) {
            parameter.values = values;
        } else if (values.size() == 2) {
            parameter.from = values[0];
            parameter.to = values[1];
        } else {
            throw zemrath::error(zemrath::error_code::bad_value,
                                 name + ": a " + kind + " design takes a range c(from, to), not " +
                                     std::to_string(values.size()) + (values.size() == 1 ? " value" : " values"));
        }
        design.varied.push_back(parameter);
    }
    return design;
}

// A frame whose first two columns are the varied parameter and the
// outcome, then one real column per column of the entries (the core's
// table of them).
template <typename Entry, typename Columns>
SEXP per_parameter_and_outcome(const zemrath::experiment_design& design, const std::vector<Entry>& entries,
                               const Columns& columns) {
    std::vector<std::string> parameters, outcomes;
    for (const Entry& entry : entries) {
        parameters.emplace_back(zemrath::answer_fields[design.varied[entry.parameter].answer].name);
        outcomes.emplace_back(zemrath::outcome_columns[entry.outcome].name);
    }
    std::vector<std::string> names = {"parameter", "outcome"};
    for (const auto& column : columns) names.emplace_back(column.name);
    return new_data_frame(entries.size(), names, [&](SEXP frame) {
        new_text_column(frame, 0, parameters);
        new_text_column(frame, 1, outcomes);
        for (std::size_t j = 0; j < columns.size(); ++j) {
            double* column = new_real_column(frame, j + 2, entries.size());
            for (std::size_t i = 0; i < entries.size(); ++i) column[i] = entries[i].*columns[j].field;
        }
    });
}

}  // namespace

// The names of the designs.
// [[Rcpp::export(rng = false)]]
std::vector<std::string> cpp_design_kinds() {
    std::vector<std::string> names;
    for (zemrath::design_kind kind : zemrath::every_design_kind) names.emplace_back(zemrath::design_kind_name(kind));
    return names;
}

// The points of the design, in design order: point (from 0), then the ten
// answers as used.
// [[Rcpp::export(rng = false)]]
SEXP cpp_design_points(const Rcpp::List& base, const Rcpp::List& vary, const std::string& kind, int samples,
                       double sample_seed, const Rcpp::List& settings) {
    return core_entry([&] {
        const std::vector<zemrath::parameter_set> points =
            zemrath::design_points(design_from_r(base, vary, kind, samples, sample_seed, settings));
        std::vector<std::string> names = {"point"};
        for (const zemrath::answer_field& field : zemrath::answer_fields) names.emplace_back(field.name);
        return new_data_frame(points.size(), names, [&](SEXP columns) {
            int* point = new_integer_column(columns, 0, points.size());
            for (std::size_t i = 0; i < points.size(); ++i) point[i] = static_cast<int>(i);
            for (std::size_t a = 0; a < zemrath::answer_fields.size(); ++a) {
                const zemrath::answer_field& field = zemrath::answer_fields[a];
                if (field.real != nullptr) {
                    double* column = new_real_column(columns, a + 1, points.size());
                    for (std::size_t i = 0; i < points.size(); ++i) column[i] = points[i].*field.real;
                } else {
                    int* column = new_integer_column(columns, a + 1, points.size());
                    for (std::size_t i = 0; i < points.size(); ++i) column[i] = points[i].*field.integer;
                }
            }
        });
    });
}

// What one point comes to over the streams of every seed: its summary
// table and its outcomes (named, in order).
// [[Rcpp::export(rng = false)]]
Rcpp::List cpp_point_result(const Rcpp::List& parameters, const std::vector<int>& seeds, int threads) {
    const zemrath::parameter_set answers = parameters_from_r(parameters);
    return core_entry([&] {
        const zemrath::ensemble_options options = interruptible_options(threads);
        const zemrath::ensemble_analysis analysis =
            zemrath::analyse_ensemble(zemrath::run_ensemble(zemrath::derive_model_parameters(answers), seeds, options));
        const zemrath::point_outcomes& outcomes = analysis.outcomes;
        Rcpp::NumericVector values(zemrath::outcome_columns.size());
        Rcpp::CharacterVector names(zemrath::outcome_columns.size());
        for (std::size_t j = 0; j < zemrath::outcome_columns.size(); ++j) {
            values[j] = outcomes.*zemrath::outcome_columns[j].field;
            names[j] = std::string(zemrath::outcome_columns[j].name);
        }
        values.attr("names") = names;
        const Rcpp::RObject summary_table = summary_frame(analysis.summary);
        return Rcpp::List::create(Rcpp::Named("summary") = summary_table, Rcpp::Named("outcomes") = values);
    });
}

// The sensitivity of the outcomes (a list of columns named as the outcomes
// of cpp_point_result(), one value per point) for the designs that have one:
// each parameter's effects one at a time, the Sobol or eFAST indices, the
// Morris effects or the partial rank correlations. NULL for a grid.
// [[Rcpp::export(rng = false)]]
SEXP cpp_sensitivity(const Rcpp::List& base, const Rcpp::List& vary, const std::string& kind, int samples,
                     double sample_seed, const Rcpp::List& settings, const Rcpp::List& outcomes) {
    std::vector<zemrath::point_outcomes> points;
    for (const zemrath::outcome_column& column : zemrath::outcome_columns) {
        const Rcpp::NumericVector values = outcomes[std::string(column.name)];
        points.resize(static_cast<std::size_t>(values.size()));
        for (R_xlen_t i = 0; i < values.size(); ++i) points[static_cast<std::size_t>(i)].*column.field = values[i];
    }
    return core_entry([&]() -> SEXP {
        const zemrath::experiment_design design = design_from_r(base, vary, kind, samples, sample_seed, settings);
        const zemrath::sweep_analysis analysis = zemrath::analyse_sweep(design, points);
        switch (design.kind) {
        case zemrath::design_kind::one_at_a_time:
            return per_parameter_and_outcome(design, analysis.effects, zemrath::effect_columns);
        case zemrath::design_kind::morris:
            return per_parameter_and_outcome(design, analysis.screening, zemrath::morris_effect_columns);
        case zemrath::design_kind::latin_hypercube:
            return per_parameter_and_outcome(design, analysis.correlations, zemrath::rank_correlation_columns);
        case zemrath::design_kind::sobol:
        case zemrath::design_kind::efast:
            return per_parameter_and_outcome(design, analysis.indices, zemrath::sobol_index_columns);
        case zemrath::design_kind::grid: break;
        }
        return R_NilValue;
    });
}

// The split of the variance of each outcome per stream over the points and
// the streams, from each point's summary of its last generation: one row
// per point, the columns of the summary after its generation.
// [[Rcpp::export(rng = false)]]
SEXP cpp_variance_share(const Rcpp::NumericMatrix& last) {
    return core_entry([&]() -> SEXP {
        const std::size_t columns = zemrath::summary_column_names().size();
        if (static_cast<std::size_t>(last.ncol()) != columns)
            throw zemrath::error(zemrath::error_code::bad_value, "the last generations need one column per statistic");
        std::vector<zemrath::generation_summary> points;
        for (int i = 0; i < last.nrow(); ++i) {
            std::vector<double> values;
            for (std::size_t j = 0; j < columns; ++j) values.push_back(last(i, static_cast<int>(j)));
            points.push_back(zemrath::summary_from_column_values(0, values));
        }
        const std::vector<zemrath::variance_share> shares = zemrath::variance_shares(points);
        std::vector<std::string> outcomes;
        for (const zemrath::variance_share& share : shares) outcomes.emplace_back(zemrath::outcome_columns[share.outcome].name);
        const std::vector<std::string> names = {"outcome", "total_variance", "points_share", "streams_share"};
        const double zemrath::variance_share::*fields[] = {&zemrath::variance_share::total_variance,
                                                            &zemrath::variance_share::points_share,
                                                            &zemrath::variance_share::streams_share};
        return new_data_frame(shares.size(), names, [&](SEXP frame) {
            new_text_column(frame, 0, outcomes);
            for (std::size_t j = 0; j < 3; ++j) {
                double* column = new_real_column(frame, j + 1, shares.size());
                for (std::size_t i = 0; i < shares.size(); ++i) column[i] = shares[i].*fields[j];
            }
        });
    });
}

namespace {

// The rows of the entries of every generation, as one frame: generation,
// parameter, outcome, then the entries' columns; only the outcomes over
// time.
template <typename Entry, typename Columns>
SEXP per_generation(const zemrath::experiment_design& design, const std::vector<zemrath::generation_analysis>& analyses,
                    std::vector<Entry> zemrath::sweep_analysis::*entries, const Columns& columns) {
    const std::vector<std::size_t> followed = zemrath::outcomes_over_time();
    std::vector<int> generation;
    std::vector<std::string> parameters, outcomes;
    std::vector<std::vector<double>> values(columns.size());
    for (const zemrath::generation_analysis& at : analyses)
        for (const Entry& entry : at.analysis.*entries) {
            if (std::find(followed.begin(), followed.end(), entry.outcome) == followed.end()) continue;
            generation.push_back(at.generation);
            parameters.emplace_back(zemrath::answer_fields[design.varied[entry.parameter].answer].name);
            outcomes.emplace_back(zemrath::outcome_columns[entry.outcome].name);
            for (std::size_t j = 0; j < columns.size(); ++j) values[j].push_back(entry.*columns[j].field);
        }
    std::vector<std::string> names = {"generation", "parameter", "outcome"};
    for (const auto& column : columns) names.emplace_back(column.name);
    return new_data_frame(generation.size(), names, [&](SEXP frame) {
        int* g = new_integer_column(frame, 0, generation.size());
        std::copy(generation.begin(), generation.end(), g);
        new_text_column(frame, 1, parameters);
        new_text_column(frame, 2, outcomes);
        for (std::size_t j = 0; j < columns.size(); ++j) {
            double* column = new_real_column(frame, j + 3, generation.size());
            std::copy(values[j].begin(), values[j].end(), column);
        }
    });
}

}  // namespace

// The indices of the outcomes over time at every generation, for the
// designs that follow them (NULL for the others), from the stacked summary
// of every point: its rows' point (from 0), generation and statistics in
// the columns of the summary.
// [[Rcpp::export(rng = false)]]
SEXP cpp_sensitivity_by_generation(const Rcpp::List& base, const Rcpp::List& vary, const std::string& kind,
                                   int samples, double sample_seed, const Rcpp::List& settings,
                                   const std::vector<int>& point, const std::vector<int>& generation,
                                   const Rcpp::NumericMatrix& statistics) {
    return core_entry([&]() -> SEXP {
        const zemrath::experiment_design design = design_from_r(base, vary, kind, samples, sample_seed, settings);
        if (!zemrath::follows_generations(design.kind)) return R_NilValue;
        const std::size_t points = zemrath::design_size(design);
        const std::size_t columns = zemrath::summary_column_names().size();
        if (static_cast<std::size_t>(statistics.ncol()) != columns || point.size() != generation.size() ||
            static_cast<std::size_t>(statistics.nrow()) != point.size())
            throw zemrath::error(zemrath::error_code::bad_value, "the summary needs one row per point and generation");
        std::vector<zemrath::point_over_time> over_time(points);
        for (std::size_t r = 0; r < point.size(); ++r) {
            if (point[r] < 0 || static_cast<std::size_t>(point[r]) >= points) continue;
            zemrath::point_over_time& kept = over_time[static_cast<std::size_t>(point[r])];
            if (generation[r] < 0 || static_cast<std::size_t>(generation[r]) != kept.size()) continue;
            std::vector<double> values;
            for (std::size_t j = 0; j < columns; ++j) values.push_back(statistics(static_cast<int>(r), static_cast<int>(j)));
            kept.push_back(zemrath::values_over_time(zemrath::summary_from_column_values(generation[r], values)));
        }
        const std::vector<zemrath::generation_analysis> analyses = zemrath::analyse_generations(design, over_time);
        if (design.kind == zemrath::design_kind::morris)
            return per_generation(design, analyses, &zemrath::sweep_analysis::screening,
                                  zemrath::morris_effect_columns);
        return per_generation(design, analyses, &zemrath::sweep_analysis::indices,
                              zemrath::sobol_index_columns);
    });
}
