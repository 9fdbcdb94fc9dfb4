// zemrath-ensemble: every stream of zemrath for one set of answers, with the
// distribution of the counts per generation.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>

#include "ensemble/command_line.hpp"
#include "ensemble/progress.hpp"
#include "ensemble/result_files.hpp"
#include "zemrath/ensemble.hpp"
#include "zemrath/ensemble_summary.hpp"
#include "zemrath/text_summary.hpp"

namespace {

constexpr int exit_usage = 2;
constexpr int exit_failure = 1;

int fail(const std::string& message) {
    std::fprintf(stderr, "zemrath-ensemble: %s\n", message.c_str());
    return exit_failure;
}

int run_ensemble_program(int argc, const char* const* argv) {
    using namespace zemrath::ensemble;
    const command_line_outcome command = parse_command_line(argc, argv);
    if (command.kind == command_line_outcome::help || command.kind == command_line_outcome::version) {
        std::fputs(command.text.c_str(), stdout);
        return 0;
    }
    if (command.kind == command_line_outcome::usage_error) {
        std::fprintf(stderr, "%s\n", command.text.c_str());
        return exit_usage;
    }
    const ensemble_request& request = command.request;

    zemrath::ensemble_options options;
    options.threads = request.threads;
    try {
        options.kernel = zemrath::kernel_from_setting(std::getenv(std::string(zemrath::kernel_variable).c_str()));
    } catch (const zemrath::error& failure) {
        std::fprintf(stderr, "zemrath-ensemble: %s: %s\n", std::string(zemrath::kernel_variable).c_str(), failure.what());
        return exit_usage;
    }
    if (!request.quiet && progress_wanted()) {
        const auto start = std::chrono::steady_clock::now();
        options.progress = [start](std::size_t done, std::size_t total) {
            show_progress_line(done, total, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        };
    }
    const zemrath::ensemble_runs runs =
        zemrath::run_ensemble(zemrath::derive_model_parameters(request.parameters), request.seeds, options);
    if (options.progress) clear_progress_line();
    const zemrath::ensemble_summary summary = zemrath::summarise_ensemble(runs);
    if (auto error = write_result_files(request, runs, summary)) return fail(*error);
    std::fputs(zemrath::text_summary(runs, summary).c_str(), stdout);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return run_ensemble_program(argc, argv);
    } catch (const zemrath::error& failure) {
        return fail(failure.what());
    } catch (const std::bad_alloc&) {
        return fail("not enough memory for the rows of every stream");
    }
}
