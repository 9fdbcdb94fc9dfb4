// Running CLI11 on a tool's arguments: what ends the reading before a
// request is made (--help, --version, an argument CLI11 refuses), and the
// wording for an argument that no option took.
#pragma once

#include <CLI/CLI.hpp>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/parsed_command_line.hpp"

namespace zemrath::cli {

// Parses the arguments into app's options. The outcome when the tool stops
// here (the help or version text, or a usage error in the program's words);
// none when the request is to be read from the options.
template <typename Request>
std::optional<parsed_command_line<Request>> parse_arguments(CLI::App& app, int argc, const char* const* argv,
                                                            std::string_view program) {
    using outcome = parsed_command_line<Request>;
    const auto text = [](typename outcome::kind_t kind, std::string printed) {
        outcome stop;
        stop.kind = kind;
        stop.text = std::move(printed);
        return stop;
    };
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        return text(outcome::help, app.help());
    } catch (const CLI::CallForVersion&) {
        return text(outcome::version, app.version() + "\n");
    } catch (const CLI::ParseError& failure) {
        return usage_error<Request>(program, failure.what());
    }
    return std::nullopt;
}

// The names of app's options, to suggest one from.
std::vector<std::string> option_names(const CLI::App& app);

// What is wrong with the first argument that no option of app took, if
// any: "unknown option ..." (unknown_option_message) for one that starts
// with '-', otherwise "unexpected argument 'WORD'" followed by `hint`.
std::optional<std::string> leftover_argument(const CLI::App& app, std::string_view hint);

}  // namespace zemrath::cli
