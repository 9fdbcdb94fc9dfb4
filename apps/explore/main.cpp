// zemrath-explore: a page in the browser that shows every stream's outcome
// for the parameters set on it, served from this machine.
#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "cli/tool_shell.hpp"
#include "explore/api_responses.hpp"
#include "explore/command_line.hpp"
#include "explore/server.hpp"
#include "zemrath/count_kernel.hpp"
#include "zemrath/error.hpp"

namespace {

using namespace zemrath::explore;


// How long a stop waits for the requests at work to finish their answers.
// The streams of a computation stop at their next generation, but its
// summary, and the answer made from it, cannot be cut short; a stop must
// come within a second all the same.
constexpr std::chrono::milliseconds stop_grace{500};

void say(std::FILE* stream, const std::string& line) {
    std::fprintf(stream, "zemrath-explore: %s\n", line.c_str());
    std::fflush(stream);
}

// SIGINT, SIGTERM and SIGHUP are taken by the main thread alone, with
// sigwait, so that stopping the server happens in ordinary code. They are
// blocked before any thread starts, and every thread inherits that.
sigset_t stop_signals() {
    sigset_t set;
    sigemptyset(&set);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&set, signal);
    return set;
}

// The signal that asks the server to stop, or 0 when it stopped by itself.
int wait_for_stop(const sigset_t& signals, const std::atomic<bool>& serving_ended) {
    const timespec check_interval{0, 200'000'000};
    while (!serving_ended) {
        const int signal = ::sigtimedwait(&signals, nullptr, &check_interval);
        if (signal > 0) return signal;
    }
    return 0;
}

bool ends_within(const std::atomic<bool>& ended, std::chrono::milliseconds grace) {
    const auto give_up = std::chrono::steady_clock::now() + grace;
    while (!ended && std::chrono::steady_clock::now() < give_up)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return ended;
}

std::string signal_name(int signal) {
    switch (signal) {
        case SIGINT: return "SIGINT";
        case SIGTERM: return "SIGTERM";
        default: return "SIGHUP";
    }
}

int serve(const explore_request& request, const zemrath::cli::tool_settings& settings) {
    const sigset_t signals = stop_signals();
    ::pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    ::signal(SIGPIPE, SIG_IGN);  // a browser that goes away is a failed write, not the end

    const auto server = std::make_unique<explorer>();
    server->address = {request.host, request.port};
    server->start = request.start;
    server->computations.threads = settings.threads;
    server->computations.kernel = settings.kernel;
    server->computations.max_memory = request.max_memory;
    install_routes(*server);
    if (!bind_explorer(*server)) {
        say(stderr, "cannot listen on " + url_host(request.host) + ":" + std::to_string(request.port));
        return zemrath::cli::exit_failed;
    }
    if (!is_loopback(request.host))
        say(stderr, "warning: listening on " + request.host +
                        ", not only on this machine: whoever reaches that address can use the explorer");
    for (const std::string& warning : parameter_warnings(request.start.values)) say(stderr, "warning: " + warning);
    say(stdout, "open " + page_url(server->address) + " in a browser (Ctrl-C stops the server)");

    std::atomic<bool> serving_ended{false};
    std::thread serving([&] {
        serve_explorer(*server);
        serving_ended = true;
    });
    const int signal = wait_for_stop(signals, serving_ended);
    stop_explorer(*server);
    if (signal == 0) {
        serving.join();
        say(stderr, "the server stopped unexpectedly");
        return zemrath::cli::exit_failed;
    }
    // Stopped by a signal, as every tool: 128 + the signal.
    const int status = 128 + signal;
    const bool answers_finished = ends_within(serving_ended, stop_grace);
    say(stdout, "stopped by " + signal_name(signal));
    if (!answers_finished) std::_Exit(status);  // nothing of an unfinished answer is kept anywhere
    serving.join();
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    return zemrath::cli::run_tool("zemrath-explore", argc, argv, parse_command_line, serve);
}
