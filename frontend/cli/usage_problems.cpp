#include "cli/usage_problems.hpp"

#include <algorithm>

#include "cli/option_checks.hpp"

namespace zemrath::cli {

void note_option_problem(command_arguments& line, std::string_view option, std::string message) {
    line.problems.push_back({option_position(line.argc, line.argv, option), std::move(message), std::string(option)});
}

void note_missing(command_arguments& line, std::string_view subject, std::string message) {
    line.problems.push_back({line.argc, std::move(message), std::string(subject)});
}

void note_environment_problem(command_arguments& line, std::string_view variable, std::string message) {
    line.problems.push_back({0, std::move(message), std::string(variable)});
}

const usage_problem* earliest_problem(const command_arguments& line) {
    const auto first = std::min_element(line.problems.begin(), line.problems.end(),
                                        [](const usage_problem& a, const usage_problem& b) {
                                            return a.position < b.position;
                                        });
    return first == line.problems.end() ? nullptr : &*first;
}

}  // namespace zemrath::cli
