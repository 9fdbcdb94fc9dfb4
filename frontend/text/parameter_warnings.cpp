#include "text/parameter_warnings.hpp"

#include <cmath>

#include "zemrath/real_text.hpp"

namespace zemrath::text {

namespace {

// An end of a range as people write it.
std::string end_text(double value) { return real_text(value); }

}  // namespace

std::vector<std::size_t> answers_outside_meaning(const parameter_set& answers) {
    std::vector<std::size_t> outside;
    for (std::size_t i = 0; i < answer_fields.size(); ++i)
        if (!is_sensible(answer_fields[i], answer_value(answers, i))) outside.push_back(i);
    return outside;
}

std::string meaning_words(std::size_t answer) {
    const answer_field& field = answer_fields.at(answer);
    const std::string range = range_words(field.sensible);
    return field.unit.empty() || range.starts_with("a probability") ? range : std::string(field.unit) + ", " + range;
}

std::string range_words(const sensible_range& range) {
    const bool low_open = std::isinf(range.low), high_open = std::isinf(range.high);
    if (range.low == 0 && range.high == 1 && range.low_included && range.high_included) return "a probability, 0 to 1";
    if (low_open && high_open) return "a finite number";
    if (high_open) return range.low_included ? end_text(range.low) + " or more" : "above " + end_text(range.low);
    if (low_open) return range.high_included ? end_text(range.high) + " or less" : "below " + end_text(range.high);
    return (range.low_included ? "at least " : "above ") + end_text(range.low) +
           (range.high_included ? " and at most " : " and below ") + end_text(range.high);
}

std::string warned_value(const parameter_set& answers, std::size_t answer) {
    const answer_field& field = answer_fields.at(answer);
    return field.real != nullptr ? real_text(answers.*field.real) : std::to_string(answers.*field.integer);
}

std::string outside_meaning_text(std::string_view subject, std::size_t answer) {
    return std::string(subject) + " lies outside its meaning (" + meaning_words(answer) + "); it is used as given";
}

}  // namespace zemrath::text
