#include "cli/option_checks.hpp"

#include <charconv>

#include "text/closest_name.hpp"

namespace zemrath::cli {

std::string unknown_option_message(std::string_view given, const std::vector<std::string>& known) {
    const std::string_view name = given.substr(0, given.find('='));
    std::string message = "unknown option " + std::string(name);
    if (const auto closest = text::closest_name(name, known)) message += " (did you mean " + *closest + "?)";
    return message;
}

std::optional<int> whole_number_in_range(std::string_view text, int low, int high, std::string& reason) {
    int value = 0;
    const auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || end != text.data() + text.size() || failure == std::errc::invalid_argument) {
        reason = '\'';
        reason += text;
        reason += "' is not a number";
        return std::nullopt;
    }
    if (failure == std::errc::result_out_of_range || value < low || value > high) {
        reason = std::string(text) + " is not from " + std::to_string(low) + " to " + std::to_string(high);
        return std::nullopt;
    }
    return value;
}

int option_position(int argc, const char* const* argv, std::string_view name) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == name || (argument.starts_with(name) && argument.size() > name.size() &&
                                 argument[name.size()] == '='))
            return i;
    }
    return argc;
}

}  // namespace zemrath::cli
