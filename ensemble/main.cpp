// zemrath-ensemble: every stream of zemrath for one set of answers, with the
// distribution of the counts per generation.
#include <cstdio>
#include <new>

#include "driver/run.hpp"
#include "ensemble/command_line.hpp"
#include "ensemble/ensemble_summary.hpp"
#include "ensemble/progress.hpp"
#include "ensemble/result_files.hpp"
#include "ensemble/stream_pool.hpp"
#include "ensemble/text_summary.hpp"

namespace {

constexpr int exit_usage = 2;
constexpr int exit_failure = 1;

int fail(const std::string& message) {
    std::fprintf(stderr, "zemrath-ensemble: %s\n", message.c_str());
    return exit_failure;
}

int run_ensemble_program(int argc, const char* const* argv) {
    using namespace zemrath::ensemble;
    zemrath::set_floating_point_environment();
    const command_line_outcome command = parse_command_line(argc, argv);
    if (command.kind == command_line_outcome::help) {
        std::fputs(command.text.c_str(), stdout);
        return 0;
    }
    if (command.kind == command_line_outcome::usage_error) {
        std::fprintf(stderr, "%s\n", command.text.c_str());
        return exit_usage;
    }
    const ensemble_request& request = command.request;

    const stream_setup setup = prepare_streams(request.parameters);
    ensemble_runs runs;
    if (!run_ensemble(setup, request.seeds, request.threads, !request.quiet && progress_wanted(), runs))
        return fail("not enough memory for " + std::to_string(request.parameters.max_reproduction_age) +
                    " age classes");
    const ensemble_summary summary = summarise_ensemble(runs);
    if (auto error = write_result_files(request, runs, summary)) return fail(*error);
    std::fputs(text_summary(runs, summary).c_str(), stdout);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return run_ensemble_program(argc, argv);
    } catch (const std::bad_alloc&) {
        return fail("not enough memory for the rows of every stream");
    }
}
