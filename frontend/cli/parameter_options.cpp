#include "cli/parameter_options.hpp"

namespace zemrath::cli {

std::string parameter_option_name(std::size_t answer_index) {
    return "--" + std::string(answer_fields[answer_index].key);
}

std::string_view bare_prompt(std::string_view prompt) {
    if (prompt.starts_with(' ')) prompt.remove_prefix(1);
    if (prompt.ends_with(':')) prompt.remove_suffix(1);
    return prompt;
}

std::optional<std::string> read_parameter_text(std::string_view text, std::size_t answer_index,
                                               partial_answers& into) {
    try {
        read_answer_text(text, answer_index, into);
    } catch (const error& failure) {
        return parameter_option_name(answer_index) + ": '" + std::string(text) +
               "' is not a number the prompt would take (" + failure.what() + ")";
    }
    return std::nullopt;
}

std::string missing_parameters(const partial_answers& answers) {
    std::string names;
    std::size_t count = 0;
    for (std::size_t i = 0; i < answer_fields.size(); ++i) {
        if (answers.given[i]) continue;
        names += (names.empty() ? "" : ", ") + parameter_option_name(i);
        ++count;
    }
    if (count == 0) return {};
    return (count == 1 ? "missing parameter " : "missing parameters ") + names;
}

}  // namespace zemrath::cli
