#include "results/csv_tables.hpp"

#include <string>
#include <string_view>

#include "zemrath/real_text.hpp"

namespace zemrath::results {

void write_runs_csv(const ensemble_runs& runs, const text_sink& sink) {
    sink("seed,generation,embryos,larvae,adults\n");
    std::string line;
    for (std::size_t k = 0; k < runs.seeds.size(); ++k) {
        const std::string seed = std::to_string(runs.seeds[k]) + ',';
        for (const generation_row& row : stream_rows(runs, k)) {
            line = seed;
            line += std::to_string(row.generation) + ',' + std::to_string(row.embryos) + ',' +
                    std::to_string(row.larvae) + ',' + std::to_string(row.adults) + '\n';
            sink(line);
        }
    }
}

std::string summary_columns() {
    std::string columns;
    for (const std::string& name : summary_column_names()) {
        if (!columns.empty()) columns += ',';
        columns += name;
    }
    return columns;
}

std::string summary_line(const generation_summary& generation) {
    std::string line = std::to_string(generation.generation);
    for (double value : summary_column_values(generation)) line += ',' + real_text(value);
    return line + '\n';
}

void write_summary_csv(const ensemble_summary& summary, const text_sink& sink) {
    sink("generation," + summary_columns() + "\n");
    for (const generation_summary& generation : summary.generations) sink(summary_line(generation));
}

}  // namespace zemrath::results
