#include "zemrath/ensemble_summary.hpp"

#include <array>
#include <string>
#include <string_view>

#include "zemrath/error.hpp"

namespace zemrath {

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

// Row 0 always holds the 20 first recruits, so a stream can die out from
// generation 1 on.
std::optional<std::int32_t> first_extinct_generation(std::span<const generation_row> rows) {
    for (std::size_t g = 1; g < rows.size(); ++g)
        if (rows[g].adults == 0) return rows[g].generation;
    return std::nullopt;
}

std::optional<std::int32_t> first_wrapped_generation(std::span<const std::uint8_t> wrapped) {
    for (std::size_t g = 0; g < wrapped.size(); ++g)
        if (wrapped[g] != 0) return static_cast<std::int32_t>(g);
    return std::nullopt;
}

}  // namespace

ensemble_summary summarise_ensemble(const ensemble_runs& runs) {
    const std::size_t streams = runs.seeds.size();
    ensemble_summary summary;
    std::vector<std::int32_t> embryos(streams), larvae(streams), adults(streams);
    for (std::size_t g = 0; g < runs.rows_per_stream; ++g) {
        std::size_t extinct = 0;
        std::size_t wrapped = 0;
        for (std::size_t k = 0; k < streams; ++k) {
            const generation_row& row = stream_rows(runs, k)[g];
            embryos[k] = row.embryos;
            larvae[k] = row.larvae;
            adults[k] = row.adults;
            extinct += row.adults == 0 ? 1 : 0;
            wrapped += stream_wrapped(runs, k)[g];
        }
        generation_summary& s = summary.generations.emplace_back();
        s.generation = static_cast<std::int32_t>(g);
        s.embryos = summarise_column(embryos);
        s.larvae = summarise_column(larvae);
        s.adults = summarise_column(adults);
        s.extinct_fraction = static_cast<double>(extinct) / static_cast<double>(streams);
        s.wrapped_fraction = static_cast<double>(wrapped) / static_cast<double>(streams);
    }
    for (std::size_t k = 0; k < streams; ++k) {
        summary.extinction_generation.push_back(first_extinct_generation(stream_rows(runs, k)));
        summary.first_wrapped_generation.push_back(first_wrapped_generation(stream_wrapped(runs, k)));
    }
    return summary;
}

std::vector<std::string> summary_column_names() {
    std::vector<std::string> names;
    for (const summarised_count& count : summarised_counts)
        for (const statistic& stat : column_statistics) names.push_back(std::string(count.name) + '_' + std::string(stat.suffix));
    names.emplace_back("extinct_fraction");
    names.emplace_back("wrapped_fraction");
    return names;
}

std::vector<double> summary_column_values(const generation_summary& generation) {
    std::vector<double> values;
    for (const summarised_count& count : summarised_counts)
        for (const statistic& stat : column_statistics) values.push_back(generation.*count.field.*stat.field);
    values.push_back(generation.extinct_fraction);
    values.push_back(generation.wrapped_fraction);
    return values;
}

generation_summary summary_from_column_values(std::int32_t generation, std::span<const double> values) {
    constexpr std::size_t columns = summarised_counts.size() * column_statistics.size() + 2;
    if (values.size() != columns)
        throw error(error_code::bad_value, "a generation of the summary has " + std::to_string(columns) +
                                               " values, not " + std::to_string(values.size()));
    generation_summary summary;
    summary.generation = generation;
    std::size_t at = 0;
    for (const summarised_count& count : summarised_counts)
        for (const statistic& stat : column_statistics) summary.*count.field.*stat.field = values[at++];
    summary.extinct_fraction = values[at++];
    summary.wrapped_fraction = values[at];
    return summary;
}

}  // namespace zemrath
