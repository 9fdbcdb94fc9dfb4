#include "explore/command_line.hpp"

#include <CLI/CLI.hpp>

#include <cctype>
#include <charconv>
#include <cmath>

#include "cli/option_checks.hpp"
#include "cli/parameter_options.hpp"
#include "cli/parse_arguments.hpp"
#include "cli/tool_shell.hpp"
#include "explore/memory_bound.hpp"

namespace zemrath::explore {

namespace {

constexpr std::string_view program_name = "zemrath-explore";

constexpr std::string_view footer =
    "Open the printed address in a browser: the page shows the ten parameters, and a moment\n"
    "after each change the distribution of adults and the share of extinct streams over every\n"
    "stream, as zemrath-ensemble reports them. Its buttons download answers.txt, summary.csv,\n"
    "runs.csv and report.svg, the files zemrath-ensemble writes for the same answers.\n"
    "\n"
    "The server answers only requests addressed to it by its own address and API calls from its\n"
    "own page, and runs one computation at a time: a newer request stops an older one. A\n"
    "computation that would need more memory than --max-memory is refused (HTTP 503).\n"
    "SIGINT, SIGTERM or SIGHUP stops it within a second; status 1 when the address cannot be\n"
    "listened on.";

// The answers file's answers, every one of which it must give.
void read_start(cli::command_arguments& line, const std::string& path, partial_answers& start) {
    try {
        start = read_answers_file(path);
    } catch (const error& failure) {
        cli::note_option_problem(line, "--answers", failure.what());
        return;
    }
    const std::string missing = cli::missing_parameters(start);
    if (!missing.empty()) cli::note_option_problem(line, "--answers", "--answers: " + path + " holds too few answers: " + missing);
}

// How many bytes a size's last letter stands for: 1 when it has none.
std::optional<double> unit_of(std::string_view suffix) {
    if (suffix.empty()) return 1.0;
    if (suffix.size() != 1) return std::nullopt;
    constexpr std::string_view letters = "KMGT";
    const std::size_t power = letters.find(static_cast<char>(std::toupper(static_cast<unsigned char>(suffix[0]))));
    if (power == std::string_view::npos) return std::nullopt;
    return std::ldexp(1.0, 10 * static_cast<int>(power + 1));
}

}  // namespace

std::optional<std::size_t> size_from_text(std::string_view text) {
    const std::size_t digits = text.find_first_not_of("0123456789.");
    const std::string_view number = text.substr(0, digits);
    double value = 0;
    const auto [end, failure] = std::from_chars(number.data(), number.data() + number.size(), value,
                                                std::chars_format::fixed);
    const std::optional<double> unit = unit_of(digits == std::string_view::npos ? "" : text.substr(digits));
    if (number.empty() || failure != std::errc{} || end != number.data() + number.size() || !unit) return std::nullopt;
    const double bytes = std::floor(value * *unit);
    if (bytes < 1 || bytes >= 0x1p64) return std::nullopt;
    return static_cast<std::size_t>(bytes);
}

partial_answers example_answers() {
    partial_answers answers;
    for (std::size_t i = 0; i < answer_fields.size(); ++i) read_answer_text(answer_fields[i].example, i, answers);
    return answers;
}

command_line_outcome parse_command_line(int argc, const char* const* argv) {
    CLI::App app{"Serves a page that runs every stream of zemrath for the parameters set on it and\n"
                 "shows their outcome, updated as the parameters change."};
    cli::describe_tool(app, program_name, footer);
    app.allow_extras();

    std::string answers_path;
    const CLI::Option* answers_option =
        app.add_option("--answers", answers_path,
                       "The page's starting values: the ten answers as typed to zemrath, one per line "
                       "(default: an example)")
            ->type_name("FILE");
    explore_request request;
    app.add_option("--host", request.host,
                   "Address to listen on (default: 127.0.0.1, this machine only; any other is warned about)")
        ->type_name("ADDRESS");
    std::string port_text;
    const CLI::Option* port_option =
        app.add_option("--port", port_text, "Port to listen on, 0 for any free one (default: 8080)")->type_name("N");
    std::string threads_text;
    const CLI::Option* threads_option = cli::add_threads_option(app, threads_text, "Streams run");
    std::string memory_text_given;
    const CLI::Option* memory_option =
        app.add_option("--max-memory", memory_text_given,
                       "The most memory one computation may need, in bytes or with K, M, G or T (powers of "
                       "1024), such as 512M or 1.5G; a request that would need more is answered 503 (default: an "
                       "eighth of the memory the explorer may have, " +
                           memory_text(default_memory_limit()) + " here; at most half of it, " +
                           memory_text(highest_memory_limit()) + ")")
            ->type_name("SIZE");

    if (auto stop = cli::parse_arguments<explore_request>(app, argc, argv, program_name)) return *stop;

    if (auto leftover = cli::leftover_argument(app, " (every value follows its option)"))
        return cli::usage_error<explore_request>(program_name, *leftover);
    cli::command_arguments line{argc, argv, {}};
    const cli::tool_settings settings = cli::read_tool_settings(line, threads_option, threads_text);
    if (request.host.empty()) cli::note_option_problem(line, "--host", "--host: the address is empty");
    if (port_option->count() > 0) {
        std::string reason;
        if (const std::optional<int> port = cli::whole_number_in_range(port_text, 0, 65535, reason))
            request.port = *port;
        else
            cli::note_option_problem(line, "--port", "--port: " + reason);
    }
    request.max_memory = default_memory_limit();
    if (memory_option->count() > 0) {
        const std::optional<std::size_t> limit = size_from_text(memory_text_given);
        if (!limit)
            cli::note_option_problem(line, "--max-memory",
                                     "--max-memory: '" + memory_text_given + "' is not a size such as 512M or 4G");
        else if (*limit > highest_memory_limit())
            cli::note_option_problem(line, "--max-memory",
                                     "--max-memory: " + memory_text(*limit) + " is more than half of the " +
                                         memory_text(available_memory()) +
                                         " the explorer may have (the last result is kept while the next one is "
                                         "computed)");
        else
            request.max_memory = *limit;
    }
    request.start = example_answers();
    if (answers_option->count() > 0) read_start(line, answers_path, request.start);
    return cli::read_outcome(program_name, line, std::move(request), settings);
}

}  // namespace zemrath::explore
