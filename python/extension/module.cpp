// zemrath._core: the simulation library for the Python package. The
// package's Python code checks the arguments and makes DataFrames; every
// number comes from here, and every name of a parameter, a column or a
// design from the library's own tables.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <string>
#include <vector>

#include "columns.hpp"
#include "core_calls.hpp"
#include "experiments.hpp"
#include "runs.hpp"
#include "text/closest_name.hpp"
#include "zemrath/answer_reader.hpp"
#include "zemrath/design.hpp"
#include "zemrath/ensemble_summary.hpp"
#include "zemrath/error.hpp"
#include "zemrath/outcomes.hpp"
#include "zemrath/parameters.hpp"
#include "zemrath/real_text.hpp"
#include "zemrath/seed_list.hpp"
#include "zemrath/threads.hpp"
#include "zemrath/version.hpp"

namespace py = pybind11;
using namespace zemrath;

namespace {

py::dict field_description(const answer_field& field) {
    py::dict d;
    d["name"] = std::string(field.name);
    d["key"] = std::string(field.key);
    d["prompt"] = std::string(field.prompt);
    d["meaning"] = std::string(field.meaning);
    d["unit"] = std::string(field.unit);
    d["integer"] = field.integer != nullptr;
    d["example"] = std::string(field.example);
    return d;
}

}  // namespace

PYBIND11_MODULE(_core, module) {
    module.doc() = "The simulation library of zemrath; use the functions of the package zemrath.";
    python::register_error_translation();
    module.attr("version") = std::string(zemrath::version);
    module.attr("max_threads") = max_threads;

    module.def("answer_fields", [] {
        py::list fields;
        for (const answer_field& field : answer_fields) fields.append(field_description(field));
        return fields;
    });
    module.def("summary_columns", [] {
        std::vector<std::string> names = summary_column_names();
        names.insert(names.begin(), "generation");
        return names;
    });
    module.def("outcome_columns", [] {
        std::vector<std::string> names;
        for (const outcome_column& column : outcome_columns) names.emplace_back(column.name);
        return names;
    });
    module.def("design_kinds", [] {
        std::vector<std::string> names;
        for (design_kind kind : every_design_kind) names.emplace_back(design_kind_name(kind));
        return names;
    });
    module.def("error_codes", [] {
        std::vector<std::string> names;
        for (error_code code : every_error_code) names.emplace_back(error_code_name(code));
        return names;
    });

    module.def("real_text", &real_text, py::arg("value"));
    module.def("closest_name", &text::closest_name, py::arg("given"), py::arg("known"));
    module.def(
        "parse_seeds",
        [](const std::string& text) {
            std::string reason;
            std::optional<std::vector<std::int32_t>> seeds = parse_seed_list(text, reason);
            if (!seeds) throw error(error_code::bad_value, "seeds: " + reason, "seeds");
            return *seeds;
        },
        py::arg("text"));
    module.def("format_seeds", &format_seed_list, py::arg("seeds"));
    module.def(
        "read_answers",
        [](const std::string& path) {
            const partial_answers answers =
                python::without_interpreter_lock([&](python::interrupt_watch&) { return read_answers_file(path); });
            std::string missing;
            for (std::size_t i = 0; i < answer_fields.size(); ++i)
                if (!answers.given[i]) missing += (missing.empty() ? "" : ", ") + std::string(answer_fields[i].name);
            if (!missing.empty())
                throw error(error_code::end_of_input, path + " ends before every answer is given; missing: " + missing,
                            path);
            return python::parameters_to(answers.values);
        },
        py::arg("path"));
    module.def(
        "read_answer",
        [](const std::string& text, std::size_t index) {
            partial_answers answers;
            read_answer_text(text, index, answers);
            return answer_value(answers.values, index);
        },
        py::arg("text"), py::arg("index"));

    module.def("run_stream", &python::run_stream_rows, py::arg("values"), py::arg("seed"), py::arg("threads"));
    module.def("run_ensemble", &python::run_ensemble_tables, py::arg("values"), py::arg("seeds"), py::arg("threads"),
               py::arg("keep_runs"));
    python::add_experiments(module);
}
