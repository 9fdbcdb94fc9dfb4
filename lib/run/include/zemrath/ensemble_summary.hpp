// What an ensemble's streams say together, generation by generation.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "zemrath/ensemble.hpp"
#include "zemrath/statistics.hpp"

namespace zemrath {

struct generation_summary {
    std::int32_t generation = 0;
    column_summary embryos;
    column_summary larvae;
    column_summary adults;
    // Share of streams with no adults in this generation. Without adults there
    // are no embryos, so no larvae and no recruits: the stream stays empty.
    double extinct_fraction = 0;
    // Share of streams whose counts wrapped around 32 bits in this generation.
    double wrapped_fraction = 0;
};

struct ensemble_summary {
    std::vector<generation_summary> generations;  // one per row, from row 0
    // Per stream (in seed order): the first generation with no adults, if any.
    std::vector<std::optional<std::int32_t>> extinction_generation;
    // Per stream: the first generation whose counts wrapped, if any.
    std::vector<std::optional<std::int32_t>> first_wrapped_generation;
};

// Needs at least one stream.
ensemble_summary summarise_ensemble(const ensemble_runs& runs);

// The columns of every summary table of the project after its generation
// column, the same wherever a summary is shown: for embryos, larvae and
// adults in turn <count>_<suffix> for each of column_statistics, then
// extinct_fraction and wrapped_fraction.
std::vector<std::string> summary_column_names();

// A generation's values in the order of summary_column_names().
std::vector<double> summary_column_values(const generation_summary& generation);

// The generation back from those values (as a summary table's line reads
// them): bad_value unless there is one value per column.
generation_summary summary_from_column_values(std::int32_t generation, std::span<const double> values);

}  // namespace zemrath
