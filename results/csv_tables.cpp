#include "results/csv_tables.hpp"

#include <array>
#include <string>
#include <string_view>

#include "zemrath/real_text.hpp"

namespace zemrath::results {

namespace {

struct summarised_count {
    std::string_view name;
    column_summary generation_summary::*field;
};
constexpr std::array<summarised_count, 3> summarised_counts = {{
    {"embryos", &generation_summary::embryos},
    {"larvae", &generation_summary::larvae},
    {"adults", &generation_summary::adults},
}};

}  // namespace

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

std::vector<std::string> summary_column_names() {
    std::vector<std::string> names;
    for (const summarised_count& count : summarised_counts)
        for (const statistic& stat : column_statistics)
            names.push_back(std::string(count.name) + '_' + std::string(stat.suffix));
    names.push_back("extinct_fraction");
    names.push_back("wrapped_fraction");
    return names;
}

std::vector<double> summary_values(const generation_summary& generation) {
    std::vector<double> values;
    for (const summarised_count& count : summarised_counts)
        for (const statistic& stat : column_statistics) values.push_back(generation.*count.field.*stat.field);
    values.push_back(generation.extinct_fraction);
    values.push_back(generation.wrapped_fraction);
    return values;
}

std::string summary_columns() {
    std::string columns;
    for (const std::string& name : summary_column_names()) columns += (columns.empty() ? "" : ",") + name;
    return columns;
}

std::string summary_line(const generation_summary& generation) {
    std::string line = std::to_string(generation.generation);
    for (double value : summary_values(generation)) line += ',' + real_text(value);
    return line + '\n';
}

void write_summary_csv(const ensemble_summary& summary, const text_sink& sink) {
    sink("generation," + summary_columns() + "\n");
    for (const generation_summary& generation : summary.generations) sink(summary_line(generation));
}

}  // namespace zemrath::results
