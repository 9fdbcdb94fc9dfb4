// zemrath-ensemble: every stream of zemrath for one set of answers, with the
// distribution of the counts per generation.
#include <chrono>
#include <optional>
#include <string>

#include "cli/tool_shell.hpp"
#include "ensemble/command_line.hpp"
#include "ensemble/identify.hpp"
#include "ensemble/result_files.hpp"
#include "results/file_set.hpp"
#include "results/interruption.hpp"
#include "results/progress.hpp"
#include "text/ensemble_text.hpp"
#include "text/parameter_warnings.hpp"
#include "zemrath/ensemble.hpp"
#include "zemrath/ensemble_analysis.hpp"

namespace {

using namespace zemrath;

constexpr std::string_view program = "zemrath-ensemble";

int fail(const std::string& message, int status) {
    cli::report(program, message);
    return status;
}

ensemble_options options_for(const ensemble::ensemble_request& request, const cli::tool_settings& settings) {
    ensemble_options options;
    options.threads = settings.threads;
    options.kernel = settings.kernel;
    options.cancel_requested = results::interrupted;
    if (!request.quiet && results::progress_wanted()) {
        const auto start = std::chrono::steady_clock::now();
        options.progress = [start](std::size_t done, std::size_t total) {
            const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
            results::show_progress_line(done, total, elapsed.count());
        };
    }
    return options;
}

int identify(const ensemble::ensemble_request& request) {
    const model_parameters parameters = derive_model_parameters(request.parameters);
    const std::vector<generation_row> rows =
        ensemble::read_results_file(request.identify, ensemble::results_file_kind(parameters));
    const ensemble::identification found = ensemble::identify_seeds(parameters, rows, request.seeds);
    const std::string text = ensemble::identification_text(found, request.identify, request.seeds, parameters);
    if (const std::optional<std::string> reason = cli::write_standard_output(text))
        return fail("the result could not be written to standard output: " + *reason, cli::exit_failed);
    return found.seeds.empty() ? cli::exit_failed : cli::exit_done;
}

ensemble_runs run_streams(const ensemble::ensemble_request& request, const cli::tool_settings& settings) {
    const ensemble_options options = options_for(request, settings);
    try {
        ensemble_runs runs = run_ensemble(derive_model_parameters(request.parameters), request.seeds, options);
        if (options.progress) results::clear_progress_line();
        return runs;
    } catch (const error&) {
        if (options.progress) results::clear_progress_line();
        throw;
    }
}

// Every value runs as given, as zemrath runs it; one outside its meaning is
// warned about, once.
void warn_of_values_outside_meaning(const parameter_set& answers) {
    for (std::size_t answer : text::answers_outside_meaning(answers))
        cli::report(program, "warning: " + text::outside_meaning_text(ensemble::parameter_option_name(answer) + " " +
                                                                          text::warned_value(answers, answer),
                                                                      answer));
}

int run(const ensemble::ensemble_request& request, const cli::tool_settings& settings) {
    warn_of_values_outside_meaning(request.parameters);
    if (!request.identify.empty()) return identify(request);
    // The directory must take the files before the streams are run for them.
    results::prepare_directory(request.out_directory);
    ensemble_runs runs;
    try {
        runs = run_streams(request, settings);
    } catch (const error& failure) {
        if (failure.code() != error_code::cancelled) throw;
        return fail("interrupted; no file was changed", results::interruption_status());
    }
    const ensemble_analysis analysis = analyse_ensemble(runs);
    results::hold_second_interruption();
    try {
        ensemble::write_result_files(request, runs, analysis);
    } catch (const error& failure) {
        if (failure.code() != error_code::cancelled) throw;
        return fail("interrupted; no file was changed", results::interruption_status());
    }
    if (results::interrupted())
        return fail("interrupted; the new files were already in place", results::interruption_status());
    if (const std::optional<std::string> reason = cli::write_standard_output(text::ensemble_summary_text(analysis)))
        return fail("the files are in place, but the summary could not be written to standard output: " + *reason,
                    cli::exit_failed);
    return cli::exit_done;
}

}  // namespace

int main(int argc, char** argv) {
    results::catch_interruptions();
    return cli::run_tool(program, argc, argv, ensemble::parse_command_line, run);
}
