#include "interrupts.hpp"

#define R_NO_REMAP
#include <Rinternals.h>

#include "zemrath/error.hpp"

namespace {

void check_interrupt(void*) { R_CheckUserInterrupt(); }

}  // namespace

bool interrupt_pending() { return R_ToplevelExec(check_interrupt, nullptr) == FALSE; }

void stop_if_interrupted(interrupt_poll& poll) {
    const auto now = std::chrono::steady_clock::now();
    if (now < poll.next_question) return;
    poll.next_question = now + interrupt_interval;
    if (interrupt_pending()) throw zemrath::error(zemrath::error_code::cancelled, "interrupted");
}

zemrath::ensemble_options interruptible_options(int threads) {
    zemrath::ensemble_options options;
    options.threads = threads;
    options.cancel_requested = interrupt_pending;
    options.report_interval = interrupt_interval;
    return options;
}
