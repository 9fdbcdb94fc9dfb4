// zemrath-ensemble: every stream of zemrath for one set of answers, with the
// distribution of the counts per generation.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <new>
#include <optional>
#include <string>

#include "ensemble/command_line.hpp"
#include "ensemble/identify.hpp"
#include "ensemble/result_files.hpp"
#include "cli/kernel_setting.hpp"
#include "results/file_set.hpp"
#include "results/interruption.hpp"
#include "results/progress.hpp"
#include "zemrath/ensemble.hpp"
#include "zemrath/ensemble_summary.hpp"
#include "zemrath/text_summary.hpp"

namespace {

using namespace zemrath;

constexpr int exit_usage = 2;
constexpr int exit_failure = 1;

int fail(const std::string& message, int status = exit_failure) {
    std::fprintf(stderr, "zemrath-ensemble: %s\n", message.c_str());
    return status;
}

// A closed standard output must not be taken over by a file the program
// opens; it is put on /dev/null and remembered, so that the summary can be
// reported as lost instead of written into a results file.
bool standard_output_was_closed() {
    if (::fcntl(STDOUT_FILENO, F_GETFD) != -1 || errno != EBADF) return false;
    return ::open("/dev/null", O_WRONLY) == STDOUT_FILENO;
}

int write_standard_output(const std::string& text, bool closed) {
    const bool written = !closed && std::fputs(text.c_str(), stdout) >= 0 && std::fflush(stdout) == 0;
    if (written) return 0;
    const int error_number = closed ? EBADF : errno;
    return fail(std::string("the files are in place, but the summary could not be written to standard output: ") +
                std::strerror(error_number));
}

ensemble_options options_for(const ensemble::ensemble_request& request, std::optional<count_kernel> kernel) {
    ensemble_options options;
    options.threads = request.threads;
    options.kernel = kernel;
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

int identify(const ensemble::ensemble_request& request, bool output_closed) {
    const model_parameters parameters = derive_model_parameters(request.parameters);
    std::vector<generation_row> rows;
    try {
        rows = ensemble::read_results_file(request.identify, ensemble::results_file_kind(parameters));
    } catch (const error& failure) {
        return fail(failure.what(), failure.code() == error_code::bad_value ? exit_usage : exit_failure);
    }
    const ensemble::identification found = ensemble::identify_seeds(parameters, rows, request.seeds);
    const int written = write_standard_output(
        ensemble::identification_text(found, request.identify, request.seeds, parameters), output_closed);
    if (written != 0) return written;
    return found.seeds.empty() ? exit_failure : 0;
}

int run_ensemble_program(int argc, const char* const* argv) {
    const bool output_closed = standard_output_was_closed();
    results::catch_interruptions();
    const ensemble::command_line_outcome command = ensemble::parse_command_line(argc, argv);
    if (command.kind == ensemble::command_line_outcome::help ||
        command.kind == ensemble::command_line_outcome::version)
        return write_standard_output(command.text, output_closed);
    if (command.kind == ensemble::command_line_outcome::usage_error) {
        std::fprintf(stderr, "%s\n", command.text.c_str());
        return exit_usage;
    }
    std::optional<count_kernel> kernel;
    try {
        kernel = cli::kernel_from_environment();
    } catch (const error& failure) {
        return fail(failure.what(), exit_usage);
    }
    const ensemble::ensemble_request& request = command.request;
    if (!request.identify.empty()) return identify(request, output_closed);

    // The directory must take the files before the streams are run for them.
    results::prepare_directory(request.out_directory);
    const ensemble_options options = options_for(request, kernel);
    ensemble_runs runs;
    try {
        runs = run_ensemble(derive_model_parameters(request.parameters), request.seeds, options);
    } catch (const error&) {
        if (options.progress) results::clear_progress_line();
        throw;
    }
    if (options.progress) results::clear_progress_line();
    const ensemble_summary summary = summarise_ensemble(runs);
    results::hold_second_interruption();
    ensemble::write_result_files(request, runs, summary);
    if (results::interrupted())
        return fail("interrupted; the new files were already in place", results::interruption_status());
    return write_standard_output(text_summary(runs, summary), output_closed);
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return run_ensemble_program(argc, argv);
    } catch (const zemrath::error& failure) {
        if (failure.code() == zemrath::error_code::cancelled)
            return fail("interrupted; no file was changed", zemrath::results::interruption_status());
        if (failure.code() == zemrath::error_code::bad_value) return fail(failure.what(), exit_usage);
        return fail(failure.what());
    } catch (const std::bad_alloc&) {
        return fail("not enough memory for the rows of every stream");
    }
}
