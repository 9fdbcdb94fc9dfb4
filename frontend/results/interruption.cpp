#include "results/interruption.hpp"

#include <unistd.h>

#include <atomic>
#include <csignal>

namespace zemrath::results {

namespace {

constexpr int caught_signals[] = {SIGINT, SIGTERM, SIGHUP};

volatile std::sig_atomic_t arrived_signal = 0;
volatile std::sig_atomic_t second_is_fatal = 1;

void on_signal(int signal) {
    if (arrived_signal != 0 && second_is_fatal != 0) ::_exit(128 + arrived_signal);
    if (arrived_signal == 0) arrived_signal = signal;
}

sigset_t caught_set() {
    sigset_t set;
    sigemptyset(&set);
    for (int signal : caught_signals) sigaddset(&set, signal);
    return set;
}

}  // namespace

void catch_interruptions() {
    struct sigaction action {};
    action.sa_handler = on_signal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no restart: a blocked write returns and looks at the flag
    for (int signal : caught_signals) sigaction(signal, &action, nullptr);
    std::signal(SIGXFSZ, SIG_IGN);
    std::signal(SIGPIPE, SIG_IGN);
}

bool interrupted() { return arrived_signal != 0; }

int interruption_signal() { return arrived_signal; }

int interruption_status() { return 128 + arrived_signal; }

void hold_second_interruption() { second_is_fatal = 0; }

interruptions_deferred::interruptions_deferred() {
    const sigset_t set = caught_set();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

interruptions_deferred::~interruptions_deferred() {
    const sigset_t set = caught_set();
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
}

}  // namespace zemrath::results
