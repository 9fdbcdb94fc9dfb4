#include "ensemble_tables.hpp"

#include <string>
#include <vector>

#include "data_frames.hpp"

namespace {

// Fills the count columns from `first` on with the rows.
void fill_rows(SEXP columns, std::size_t first, std::size_t count, std::span<const zemrath::generation_row> rows) {
    int* generation = new_integer_column(columns, first, count);
    int* embryos = new_integer_column(columns, first + 1, count);
    int* larvae = new_integer_column(columns, first + 2, count);
    int* adults = new_integer_column(columns, first + 3, count);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        generation[i] = rows[i].generation;
        embryos[i] = rows[i].embryos;
        larvae[i] = rows[i].larvae;
        adults[i] = rows[i].adults;
    }
}

}  // namespace

SEXP rows_frame(std::span<const zemrath::generation_row> rows) {
    return new_data_frame(rows.size(), {"generation", "embryos", "larvae", "adults"},
                          [&](SEXP columns) { fill_rows(columns, 0, rows.size(), rows); });
}

SEXP runs_frame(const zemrath::ensemble_runs& runs) {
    return new_data_frame(runs.rows.size(), {"seed", "generation", "embryos", "larvae", "adults"}, [&](SEXP columns) {
        int* seed = new_integer_column(columns, 0, runs.rows.size());
        for (std::size_t k = 0; k < runs.seeds.size(); ++k)
            for (std::size_t g = 0; g < runs.rows_per_stream; ++g) seed[k * runs.rows_per_stream + g] = runs.seeds[k];
        fill_rows(columns, 1, runs.rows.size(), runs.rows);
    });
}

SEXP summary_frame(const zemrath::ensemble_summary& summary) {
    std::vector<std::string> names = zemrath::summary_column_names();
    names.insert(names.begin(), "generation");
    // The values, generation by generation, ready before R allocates.
    std::vector<std::vector<double>> values;
    for (const zemrath::generation_summary& generation : summary.generations)
        values.push_back(zemrath::summary_column_values(generation));
    const std::size_t rows = summary.generations.size();
    return new_data_frame(rows, names, [&](SEXP columns) {
        int* generation = new_integer_column(columns, 0, rows);
        for (std::size_t g = 0; g < rows; ++g) generation[g] = summary.generations[g].generation;
        for (std::size_t j = 1; j < names.size(); ++j) {
            double* column = new_real_column(columns, j, rows);
            for (std::size_t g = 0; g < rows; ++g) column[g] = values[g][j - 1];
        }
    });
}
