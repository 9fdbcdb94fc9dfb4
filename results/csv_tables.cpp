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

std::string summary_columns() {
    std::string columns;
    for (const summarised_count& count : summarised_counts)
        for (const statistic& stat : column_statistics)
            columns += std::string(count.name) + '_' + std::string(stat.suffix) + ',';
    return columns + "extinct_fraction,wrapped_fraction";
}

std::string summary_line(const generation_summary& generation) {
    std::string line = std::to_string(generation.generation);
    for (const summarised_count& count : summarised_counts)
        for (const statistic& stat : column_statistics) line += ',' + real_text(generation.*count.field.*stat.field);
    return line + ',' + real_text(generation.extinct_fraction) + ',' + real_text(generation.wrapped_fraction) + '\n';
}

void write_summary_csv(const ensemble_summary& summary, const text_sink& sink) {
    sink("generation," + summary_columns() + "\n");
    for (const generation_summary& generation : summary.generations) sink(summary_line(generation));
}

}  // namespace zemrath::results
