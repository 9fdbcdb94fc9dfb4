#include "columns.hpp"

namespace zemrath::python {

namespace py = pybind11;

namespace {

void fill_rows(py::dict& columns, std::span<const generation_row> rows) {
    py::array_t<std::int32_t> generation = new_column<std::int32_t>(rows.size());
    py::array_t<std::int32_t> embryos = new_column<std::int32_t>(rows.size());
    py::array_t<std::int32_t> larvae = new_column<std::int32_t>(rows.size());
    py::array_t<std::int32_t> adults = new_column<std::int32_t>(rows.size());
    std::int32_t* g = generation.mutable_data();
    std::int32_t* e = embryos.mutable_data();
    std::int32_t* l = larvae.mutable_data();
    std::int32_t* a = adults.mutable_data();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        g[i] = rows[i].generation;
        e[i] = rows[i].embryos;
        l[i] = rows[i].larvae;
        a[i] = rows[i].adults;
    }
    columns["generation"] = generation;
    columns["embryos"] = embryos;
    columns["larvae"] = larvae;
    columns["adults"] = adults;
}

}  // namespace

py::dict rows_columns(std::span<const generation_row> rows) {
    py::dict columns;
    fill_rows(columns, rows);
    return columns;
}

py::dict runs_columns(const ensemble_runs& runs) {
    py::dict columns;
    py::array_t<std::int32_t> seed = new_column<std::int32_t>(runs.rows.size());
    std::int32_t* s = seed.mutable_data();
    for (std::size_t k = 0; k < runs.seeds.size(); ++k)
        for (std::size_t g = 0; g < runs.rows_per_stream; ++g) s[k * runs.rows_per_stream + g] = runs.seeds[k];
    columns["seed"] = seed;
    fill_rows(columns, runs.rows);
    return columns;
}

py::dict summary_columns(const ensemble_summary& summary) {
    const std::size_t rows = summary.generations.size();
    const std::vector<std::string> names = summary_column_names();
    py::dict columns;
    py::array_t<std::int32_t> generation = new_column<std::int32_t>(rows);
    for (std::size_t g = 0; g < rows; ++g) generation.mutable_data()[g] = summary.generations[g].generation;
    columns["generation"] = generation;
    std::vector<py::array_t<double>> values;
    for (std::size_t j = 0; j < names.size(); ++j) values.push_back(new_column<double>(rows));
    for (std::size_t g = 0; g < rows; ++g) {
        const std::vector<double> line = summary_column_values(summary.generations[g]);
        for (std::size_t j = 0; j < names.size(); ++j) values[j].mutable_data()[g] = line[j];
    }
    for (std::size_t j = 0; j < names.size(); ++j) columns[py::str(names[j])] = values[j];
    return columns;
}

py::dict answer_columns(std::span<const parameter_set> sets) {
    py::dict columns;
    for (const answer_field& field : answer_fields) {
        const py::str name(std::string(field.name));
        if (field.real != nullptr) {
            py::array_t<double> column = new_column<double>(sets.size());
            for (std::size_t i = 0; i < sets.size(); ++i) column.mutable_data()[i] = sets[i].*field.real;
            columns[name] = column;
        } else {
            py::array_t<std::int32_t> column = new_column<std::int32_t>(sets.size());
            for (std::size_t i = 0; i < sets.size(); ++i) column.mutable_data()[i] = sets[i].*field.integer;
            columns[name] = column;
        }
    }
    return columns;
}

parameter_set parameters_from(const py::handle& values) {
    parameter_set set;
    for (const answer_field& field : answer_fields) {
        const py::object value = values[py::str(std::string(field.name))];
        if (field.real != nullptr)
            set.*field.real = value.cast<double>();
        else
            set.*field.integer = value.cast<std::int32_t>();
    }
    return set;
}

py::dict parameters_to(const parameter_set& set) {
    py::dict values;
    for (const answer_field& field : answer_fields) {
        const py::str name(std::string(field.name));
        if (field.real != nullptr)
            values[name] = set.*field.real;
        else
            values[name] = set.*field.integer;
    }
    return values;
}

}  // namespace zemrath::python
