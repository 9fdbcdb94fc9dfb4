#include "ensemble/csv_tables.hpp"

#include <array>
#include <string>
#include <string_view>

#include "zemrath/real_text.hpp"

namespace zemrath::ensemble {

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

void write_runs_csv(staged_file& file, const ensemble_runs& runs) {
    staged_write(file, "seed,generation,embryos,larvae,adults\n");
    std::string line;
    for (std::size_t k = 0; k < runs.seeds.size(); ++k) {
        const std::string seed = std::to_string(runs.seeds[k]) + ',';
        for (const generation_row& row : stream_rows(runs, k)) {
            line = seed;
            line += std::to_string(row.generation) + ',' + std::to_string(row.embryos) + ',' +
                    std::to_string(row.larvae) + ',' + std::to_string(row.adults) + '\n';
            staged_write(file, line);
        }
    }
}

void write_summary_csv(staged_file& file, const ensemble_summary& summary) {
    std::string header = "generation";
    for (const summarised_count& count : summarised_counts)
        for (const statistic& stat : column_statistics)
            header += ',' + std::string(count.name) + '_' + std::string(stat.suffix);
    staged_write(file, header + ",extinct_fraction,wrapped_fraction\n");

    for (const generation_summary& generation : summary.generations) {
        std::string line = std::to_string(generation.generation);
        for (const summarised_count& count : summarised_counts)
            for (const statistic& stat : column_statistics)
                line += ',' + real_text(generation.*count.field.*stat.field);
        line += ',' + real_text(generation.extinct_fraction) + ',' +
                real_text(generation.wrapped_fraction) + '\n';
        staged_write(file, line);
    }
}

}  // namespace zemrath::ensemble
