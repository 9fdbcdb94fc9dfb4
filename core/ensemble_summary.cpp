#include "zemrath/ensemble_summary.hpp"

namespace zemrath {

namespace {

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

}  // namespace zemrath
