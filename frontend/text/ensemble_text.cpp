#include "text/ensemble_text.hpp"

#include <cmath>
#include <cstdio>

#include "zemrath/real_text.hpp"
#include "zemrath/seed_list.hpp"

namespace zemrath::text {

namespace {

std::string share_text(std::size_t part, std::size_t whole) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f%%", 100.0 * static_cast<double>(part) / static_cast<double>(whole));
    return text;
}

}  // namespace

std::string ensemble_summary_text(const ensemble_analysis& analysis) {
    const std::size_t streams = analysis.seeds.size();
    const column_summary& adults = analysis.summary.generations.back().adults;
    const std::string last = std::to_string(last_generation(analysis));

    std::string text = "streams run: " + std::to_string(streams) + " (seeds " + format_seed_list(analysis.seeds) +
                       "), generations: " + last + "\n";
    text += "adults in generation " + last + ": median " + real_text(adults.p50) + ", 90% of streams between " +
            real_text(adults.p5) + " and " + real_text(adults.p95) + "\n";

    text += "extinct by generation " + last + ": " + std::to_string(analysis.extinct_streams) + " of " +
            std::to_string(streams) + " streams (" + share_text(analysis.extinct_streams, streams) + ")";
    if (!std::isnan(analysis.outcomes.median_extinction_generation))
        text += ", median generation of extinction " + real_text(analysis.outcomes.median_extinction_generation);
    text += "\n";

    if (analysis.wrapped_streams == 0)
        text += "wrapped counts: none\n";
    else
        text += "wrapped counts: in " + std::to_string(analysis.wrapped_streams) + " of " + std::to_string(streams) +
                " streams (" + share_text(analysis.wrapped_streams, streams) + "), first in generation " +
                std::to_string(*analysis.first_wrapped_generation) + "; their rows hold the wrapped 32-bit values\n";
    return text;
}

}  // namespace zemrath::text
