#include "cli/option_checks.hpp"

#include <algorithm>
#include <charconv>

namespace zemrath::cli {

namespace {

std::size_t edit_distance(std::string_view a, std::string_view b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

}  // namespace

std::optional<std::string> closest_name(std::string_view given, const std::vector<std::string>& known) {
    std::optional<std::string> closest;
    std::size_t best = 3;
    for (const std::string& name : known) {
        const bool prefix = given.size() > 3 && (name.starts_with(given) || given.starts_with(name));
        const std::size_t distance = prefix ? 1 : edit_distance(given, name);
        if (distance < best) {
            best = distance;
            closest = name;
        }
    }
    return closest;
}

std::string unknown_option_message(std::string_view given, const std::vector<std::string>& known) {
    const std::string_view name = given.substr(0, given.find('='));
    std::string message = "unknown option " + std::string(name);
    if (const auto closest = closest_name(name, known)) message += " (did you mean " + *closest + "?)";
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
