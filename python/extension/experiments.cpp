#include "experiments.hpp"

#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "columns.hpp"
#include "experiment_mapping.hpp"
#include "sweep/experiment_file.hpp"
#include "sweep/experiment_table.hpp"
#include "text/sweep_text.hpp"
#include "zemrath/answer_reader.hpp"
#include "zemrath/design.hpp"
#include "zemrath/input_file.hpp"
#include "zemrath/outcomes.hpp"
#include "zemrath/sweep_analysis.hpp"

namespace zemrath::python {

namespace py = pybind11;

namespace {

sweep::experiment experiment_from_file(const std::string& path) {
    return sweep::parse_experiment(read_input_file(path, sweep::experiment_file_kind), path,
                                   [&](const std::string& answers) { return sweep::read_answers_beside(path, answers); });
}

// A mapping names its answers file relative to the working directory.
sweep::experiment experiment_from_mapping(const py::handle& mapping) {
    return sweep::read_experiment_table(experiment_table(mapping), "experiment", [](const std::string& answers) {
        return read_input_file(answers, answers_file_kind);
    });
}

std::vector<std::string> varied_keys(const sweep::experiment& plan) {
    std::vector<std::string> keys;
    for (const varied_parameter& parameter : plan.design.varied) keys.emplace_back(answer_fields[parameter.answer].key);
    return keys;
}

// The varied parameters' columns, as points.csv and outcomes.csv name them.
std::vector<std::string> varied_columns(const sweep::experiment& plan) {
    std::vector<std::string> names;
    for (const varied_parameter& parameter : plan.design.varied) names.emplace_back(answer_fields[parameter.answer].name);
    return names;
}

py::dict design_point_columns(const sweep::experiment& plan) {
    const std::vector<parameter_set> points = design_points(plan.design);
    return answer_columns(points);
}

// The outcomes of every point: a points x outcome_columns array.
std::vector<point_outcomes> outcomes_from(const py::array_t<double, py::array::c_style | py::array::forcecast>& values) {
    if (values.ndim() != 2 || static_cast<std::size_t>(values.shape(1)) != outcome_columns.size())
        throw error(error_code::bad_value, "the outcomes must be a table of " + std::to_string(outcome_columns.size()) +
                                               " columns, one row per point", "outcomes");
    std::vector<point_outcomes> outcomes(static_cast<std::size_t>(values.shape(0)));
    for (std::size_t i = 0; i < outcomes.size(); ++i)
        for (std::size_t j = 0; j < outcome_columns.size(); ++j)
            outcomes[i].*outcome_columns[j].field = values.at(static_cast<py::ssize_t>(i), static_cast<py::ssize_t>(j));
    return outcomes;
}

// parameter (by key), outcome, then the entries' columns.
template <typename Entry, typename Columns>
py::dict entry_columns(const sweep::experiment& plan, const std::vector<Entry>& entries, const Columns& columns) {
    py::list parameters, outcomes;
    for (const Entry& entry : entries) {
        parameters.append(std::string(answer_fields[plan.design.varied[entry.parameter].answer].key));
        outcomes.append(std::string(outcome_columns[entry.outcome].name));
    }
    py::dict table;
    table["parameter"] = parameters;
    table["outcome"] = outcomes;
    for (const auto& column : columns) {
        py::array_t<double> values = new_column<double>(entries.size());
        for (std::size_t i = 0; i < entries.size(); ++i) values.mutable_data()[i] = entries[i].*column.field;
        table[py::str(std::string(column.name))] = values;
    }
    return table;
}

using statistics_table = py::array_t<double, py::array::c_style | py::array::forcecast>;

// Each point's summary: a generations x summary columns array (in the
// order of summary_column_names), from generation 0.
std::vector<std::vector<generation_summary>> summaries_from(const std::vector<statistics_table>& tables) {
    const std::size_t columns = summary_column_names().size();
    std::vector<std::vector<generation_summary>> points;
    for (const statistics_table& table : tables) {
        if (table.ndim() != 2 || static_cast<std::size_t>(table.shape(1)) != columns || table.shape(0) < 1)
            throw error(error_code::bad_value, "each point's summary must be a table of " + std::to_string(columns) +
                                                   " columns, one row per generation", "summaries");
        std::vector<generation_summary>& point = points.emplace_back();
        for (py::ssize_t g = 0; g < table.shape(0); ++g)
            point.push_back(summary_from_column_values(static_cast<std::int32_t>(g), std::span(table.data(g, 0), columns)));
    }
    return points;
}

// generation, then the columns of the sensitivity table, for the outcomes
// over time; None for a design not followed over time.
template <typename Entry, typename Columns>
py::dict generation_columns(const sweep::experiment& plan, const std::vector<generation_analysis>& analyses,
                            std::vector<Entry> sweep_analysis::*entries, const Columns& columns) {
    const std::vector<std::size_t> followed = outcomes_over_time();
    std::vector<std::int32_t> generations;
    std::vector<Entry> kept;
    for (const generation_analysis& at : analyses)
        for (const Entry& entry : at.analysis.*entries)
            if (std::find(followed.begin(), followed.end(), entry.outcome) != followed.end()) {
                generations.push_back(at.generation);
                kept.push_back(entry);
            }
    py::dict table;
    table["generation"] = generations;
    for (auto [name, column] : entry_columns(plan, kept, columns)) table[name] = column;
    return table;
}

py::object by_generation_columns(const sweep::experiment& plan, const std::vector<generation_analysis>& analyses) {
    if (!follows_generations(plan.design.kind)) return py::none();
    if (plan.design.kind == design_kind::morris)
        return generation_columns(plan, analyses, &sweep_analysis::screening, morris_effect_columns);
    return generation_columns(plan, analyses, &sweep_analysis::indices, sobol_index_columns);
}

py::object sensitivity_columns(const sweep::experiment& plan, const sweep_analysis& analysis) {
    switch (plan.design.kind) {
    case design_kind::one_at_a_time: return entry_columns(plan, analysis.effects, effect_columns);
    case design_kind::morris: return entry_columns(plan, analysis.screening, morris_effect_columns);
    case design_kind::latin_hypercube: return entry_columns(plan, analysis.correlations, rank_correlation_columns);
    case design_kind::sobol:
    case design_kind::efast: return entry_columns(plan, analysis.indices, sobol_index_columns);
    case design_kind::grid: break;
    }
    return py::none();
}

// The sensitivity table (or None), the variance shares and the lines
// zemrath-sweep prints.
py::dict analysis_of(const sweep::experiment& plan,
                     const py::array_t<double, py::array::c_style | py::array::forcecast>& values,
                     const std::vector<statistics_table>& summaries) {
    std::vector<point_outcomes> outcomes = outcomes_from(values);
    const std::size_t points = outcomes.size();
    const std::vector<std::vector<generation_summary>> by_point = summaries_from(summaries);
    std::vector<generation_summary> last;
    std::vector<point_over_time> over_time;
    for (const std::vector<generation_summary>& point : by_point) {
        last.push_back(point.back());
        point_over_time& kept = over_time.emplace_back();
        for (const generation_summary& g : point) kept.push_back(values_over_time(g));
    }
    const sweep_analysis analysis = analyse_sweep(plan.design, std::move(outcomes), last);
    py::dict result;
    result["sensitivity"] = sensitivity_columns(plan, analysis);
    result["sensitivity_by_generation"] = by_generation_columns(plan, analyse_generations(plan.design, over_time));
    py::dict shares;
    std::vector<std::string> names;
    for (const variance_share& share : analysis.variance) names.emplace_back(outcome_columns[share.outcome].name);
    shares["outcome"] = names;
    const auto column = [&](double variance_share::*field) {
        py::array_t<double> values = new_column<double>(analysis.variance.size());
        for (std::size_t i = 0; i < analysis.variance.size(); ++i) values.mutable_data()[i] = analysis.variance[i].*field;
        return values;
    };
    shares["total_variance"] = column(&variance_share::total_variance);
    shares["points_share"] = column(&variance_share::points_share);
    shares["streams_share"] = column(&variance_share::streams_share);
    result["variance_share"] = shares;
    result["text"] = text::sweep_summary_text(plan.design, plan.seeds, points, analysis);
    return result;
}

// The points of a sample: the base with the named parameters set to each
// row's values, as a design sets them (whole ones rounded).
py::dict sample_points(const py::dict& base, const std::vector<std::size_t>& answers,
                       const py::array_t<double, py::array::c_style | py::array::forcecast>& samples) {
    if (samples.ndim() != 2 || static_cast<std::size_t>(samples.shape(1)) != answers.size())
        throw error(error_code::bad_value,
                    "the samples must be an array of one row per point and one column per name (" +
                        std::to_string(answers.size()) + ")",
                    "samples");
    const parameter_set start = parameters_from(base);
    std::vector<parameter_set> points(static_cast<std::size_t>(samples.shape(0)), start);
    for (std::size_t i = 0; i < points.size(); ++i)
        for (std::size_t j = 0; j < answers.size(); ++j)
            set_answer_value(points[i], answers[j], samples.at(static_cast<py::ssize_t>(i), static_cast<py::ssize_t>(j)));
    return answer_columns(points);
}

}  // namespace

void add_experiments(py::module_& module) {
    py::class_<sweep::experiment>(module, "Experiment",
                                  "An experiment as zemrath-sweep reads it: its design and its seeds.")
        .def_static("from_file", &experiment_from_file, py::arg("path"))
        .def_static("from_mapping", &experiment_from_mapping, py::arg("mapping"))
        .def_property_readonly("seeds", [](const sweep::experiment& plan) { return plan.seeds; })
        .def_property_readonly("kind", [](const sweep::experiment& plan) {
            return std::string(design_kind_name(plan.design.kind));
        })
        .def_property_readonly("varied", &varied_keys)
        .def_property_readonly("varied_columns", &varied_columns)
        .def_property_readonly("log_scaled",
                               [](const sweep::experiment& plan) {
                                   std::vector<bool> log;
                                   for (const varied_parameter& v : plan.design.varied)
                                       log.push_back(v.values.empty() && v.scale == value_scale::log);
                                   return log;
                               })
        .def_property_readonly("value_counts",
                               [](const sweep::experiment& plan) {
                                   std::vector<std::uint64_t> counts;
                                   for (const varied_parameter& v : plan.design.varied)
                                       counts.push_back(parameter_value_count(v));
                                   return counts;
                               })
        .def_property_readonly("base", [](const sweep::experiment& plan) { return parameters_to(plan.design.base); })
        .def("points", &design_point_columns)
        .def("analyse", &analysis_of, py::arg("outcomes"), py::arg("summaries"));
    module.def("sample_points", &sample_points, py::arg("base"), py::arg("answers"), py::arg("samples"));
}

}  // namespace zemrath::python
