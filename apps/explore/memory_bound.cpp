#include "explore/memory_bound.hpp"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>

namespace zemrath::explore {

namespace {

constexpr std::size_t fallback_physical_memory = std::size_t{8} << 30;  // when the system does not say

std::size_t physical_memory() {
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long page_size = ::sysconf(_SC_PAGESIZE);
    if (pages <= 0 || page_size <= 0) return fallback_physical_memory;
    return static_cast<std::size_t>(pages) * static_cast<std::size_t>(page_size);
}

}  // namespace

std::size_t memory_needed(const ensemble_query& query) {
    const std::size_t generations = rows_per_stream(derive_model_parameters(query.answers.values));
    const std::size_t streams = query.seeds.size();
    return streams * generations * bytes_per_row + generations * bytes_per_generation + streams * bytes_per_stream +
           bytes_per_computation;
}

std::optional<refusal> check_memory(const ensemble_query& query, std::size_t limit) {
    const std::size_t needed = memory_needed(query);
    if (needed <= limit) return std::nullopt;
    const std::size_t streams = query.seeds.size();
    const std::string what = std::to_string(streams) + (streams == 1 ? " stream" : " streams") + " of " +
                             std::to_string(query.answers.values.generations) + " generations";
    return refusal{503, "not enough memory: " + what + " would need about " +
                            memory_text(needed) + ", more than the " + memory_text(limit) +
                            " the explorer may use (--max-memory); ask for fewer generations or seeds"};
}

std::size_t available_memory() {
    std::size_t memory = physical_memory();
    for (const int resource : {RLIMIT_AS, RLIMIT_DATA}) {
        rlimit limit{};
        if (::getrlimit(resource, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
            memory = std::min<std::size_t>(memory, limit.rlim_cur);
    }
    return memory;
}

std::size_t default_memory_limit() { return available_memory() / 8; }

std::size_t highest_memory_limit() { return available_memory() / 2; }

std::string memory_text(std::size_t bytes) {
    constexpr std::array<const char*, 5> units = {"bytes", "KiB", "MiB", "GiB", "TiB"};
    double value = static_cast<double>(bytes);
    std::size_t unit = 0;
    while (value >= 1024 && unit + 1 < units.size()) {
        value /= 1024;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, unit == 0 || value >= 100 ? "%.0f %s" : "%.1f %s", value, units[unit]);
    return text;
}

}  // namespace zemrath::explore
