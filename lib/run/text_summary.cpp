#include "zemrath/text_summary.hpp"

#include <algorithm>
#include <cstdio>

#include "zemrath/real_text.hpp"
#include "zemrath/seed_list.hpp"

namespace zemrath {

namespace {

std::string share_text(std::size_t part, std::size_t whole) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f%%", 100.0 * static_cast<double>(part) / static_cast<double>(whole));
    return text;
}

// The generations that streams have, ascending.
std::vector<std::int32_t> present(const std::vector<std::optional<std::int32_t>>& generations) {
    std::vector<std::int32_t> values;
    for (const auto& g : generations)
        if (g) values.push_back(*g);
    std::sort(values.begin(), values.end());
    return values;
}

}  // namespace

std::string text_summary(const ensemble_runs& runs, const ensemble_summary& summary) {
    const std::size_t streams = runs.seeds.size();
    const generation_summary& last = summary.generations.back();
    const std::string last_generation = std::to_string(last.generation);

    std::string text = "streams run: " + std::to_string(streams) + " (seeds " +
                       format_seed_list(runs.seeds) + "), generations: " + last_generation + "\n";
    text += "adults in generation " + last_generation + ": median " + real_text(last.adults.p50) +
            ", 90% of streams between " + real_text(last.adults.p5) + " and " +
            real_text(last.adults.p95) + "\n";

    const std::vector<std::int32_t> extinct = present(summary.extinction_generation);
    text += "extinct by generation " + last_generation + ": " + std::to_string(extinct.size()) +
            " of " + std::to_string(streams) + " streams (" + share_text(extinct.size(), streams) + ")";
    if (!extinct.empty())
        text += ", median generation of extinction " + real_text(percentile(extinct, 50));
    text += "\n";

    const std::vector<std::int32_t> wrapped = present(summary.first_wrapped_generation);
    if (wrapped.empty())
        text += "wrapped counts: none\n";
    else
        text += "wrapped counts: in " + std::to_string(wrapped.size()) + " of " + std::to_string(streams) +
                " streams (" + share_text(wrapped.size(), streams) + "), first in generation " +
                std::to_string(wrapped.front()) + "; their rows hold the wrapped 32-bit values\n";
    return text;
}

}  // namespace zemrath
