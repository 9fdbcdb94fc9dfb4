// Ctrl-C in R stops the core's runs between two generations. R's own check
// for an interrupt jumps away when it finds one, which must not happen
// across the core's frames; here it runs inside R_ToplevelExec, which
// catches that jump and only reports it. R is asked on R's thread only:
// between the generations of a stream run here, and through
// ensemble_options::cancel_requested, which the core calls on the calling
// thread, for an ensemble, so R is never touched from the worker threads.
#pragma once

#include <chrono>

#include "zemrath/ensemble.hpp"

// How often a run asks R: often enough that Ctrl-C answers at once, seldom
// enough that asking costs nothing next to the generations of a small
// population, which take a microsecond each.
inline constexpr std::chrono::milliseconds interrupt_interval{100};

// Whether the user has asked R to stop.
bool interrupt_pending();

// When R was last asked, for a loop of steps that asks at most every
// interrupt_interval.
struct interrupt_poll {
    std::chrono::steady_clock::time_point next_question = std::chrono::steady_clock::now() + interrupt_interval;
};

// Throws zemrath::error(cancelled), which reaches R as its interrupt, when
// the user has asked R to stop; asks R only once interrupt_interval has
// passed since the last question.
void stop_if_interrupted(interrupt_poll& poll);

// Options for an ensemble run from R: up to `threads` threads, cancelled
// when R is interrupted.
zemrath::ensemble_options interruptible_options(int threads);
