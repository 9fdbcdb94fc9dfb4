#include "cli/parse_arguments.hpp"

#include "cli/option_checks.hpp"

namespace zemrath::cli {

std::vector<std::string> option_names(const CLI::App& app) {
    std::vector<std::string> names;
    for (const CLI::Option* option : app.get_options()) names.push_back(option->get_name());
    return names;
}

std::optional<std::string> leftover_argument(const CLI::App& app, std::string_view hint) {
    const std::vector<std::string> extras = app.remaining();
    if (extras.empty()) return std::nullopt;
    const std::string& extra = extras.front();
    if (extra.starts_with("-")) return unknown_option_message(extra, option_names(app));
    return "unexpected argument '" + extra + "'" + std::string(hint);
}

}  // namespace zemrath::cli
