#include "text/figure_words.hpp"

#include <array>

#include "zemrath/parameters.hpp"

namespace zemrath::text {

namespace {

struct outcome_wording {
    std::string_view name;
    std::string_view title;
    std::string_view axis;
    bool share;
};

constexpr std::array<outcome_wording, 7> outcome_wordings = {{
    {"extinct_fraction", "Share of streams extinct", "Extinct", true},
    {"adults_mean", "Mean adults over the streams", "Mean adults", false},
    {"adults_p5", "Adults, 5th percentile of the streams", "Adults, 5th pct.", false},
    {"adults_p50", "Median adults over the streams", "Median adults", false},
    {"adults_p95", "Adults, 95th percentile of the streams", "Adults, 95th pct.", false},
    {"median_extinction_generation", "Median generation of extinction of the extinct streams", "Generation", false},
    {"wrapped_fraction", "Share of streams whose counts wrapped", "Wrapped", true},
}};

const outcome_wording* wording_of(std::string_view outcome) {
    for (const outcome_wording& wording : outcome_wordings)
        if (wording.name == outcome) return &wording;
    return nullptr;
}

void trim(std::string_view& text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == ':')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == ':')) text.remove_suffix(1);
}

// The prompt without a group in parentheses at its end, nested or not.
std::string_view without_trailing_references(std::string_view prompt) {
    trim(prompt);
    while (prompt.ends_with(')')) {
        int depth = 0;
        std::size_t open = prompt.size();
        while (open > 0) {
            --open;
            if (prompt[open] == ')') ++depth;
            if (prompt[open] == '(' && --depth == 0) break;
        }
        if (depth != 0 || open == 0) break;
        prompt = prompt.substr(0, open);
        trim(prompt);
    }
    return prompt;
}

}  // namespace

std::string parameter_title(std::size_t answer) {
    const answer_field& field = answer_fields.at(answer);
    std::string title(without_trailing_references(field.prompt));
    if (!field.unit.empty()) title += " (" + std::string(field.unit) + ")";
    return title;
}

std::string outcome_title(std::string_view outcome) {
    const outcome_wording* wording = wording_of(outcome);
    return std::string(wording != nullptr ? wording->title : outcome);
}

std::string outcome_axis_title(std::string_view outcome) {
    const outcome_wording* wording = wording_of(outcome);
    return std::string(wording != nullptr ? wording->axis : outcome);
}

bool outcome_is_share(std::string_view outcome) {
    const outcome_wording* wording = wording_of(outcome);
    return wording != nullptr && wording->share;
}

std::string generation_words(std::int32_t lowest_last, std::int32_t highest_last) {
    if (lowest_last == highest_last) return "generation " + std::to_string(lowest_last);
    return "the last generation of each point";
}

}  // namespace zemrath::text
