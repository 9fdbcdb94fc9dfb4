#include "interrupts.hpp"

#define R_NO_REMAP
#include <Rinternals.h>

namespace {

void check_interrupt(void*) { R_CheckUserInterrupt(); }

}  // namespace

bool interrupt_pending() { return R_ToplevelExec(check_interrupt, nullptr) == FALSE; }

zemrath::ensemble_options interruptible_options(int threads) {
    zemrath::ensemble_options options;
    options.threads = threads;
    options.cancel_requested = interrupt_pending;
    return options;
}
