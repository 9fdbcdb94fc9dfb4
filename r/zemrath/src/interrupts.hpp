// Ctrl-C in R stops the core's runs between two streams. R's own check for
// an interrupt jumps away when it finds one, which must not happen across
// the core's frames; here it runs inside R_ToplevelExec, which catches that
// jump and only reports it. The core asks on R's thread only (through
// ensemble_options::cancel_requested), so R is never touched from the
// worker threads.
#pragma once

#include "zemrath/ensemble.hpp"

// Whether the user has asked R to stop.
bool interrupt_pending();

// Options for an ensemble run from R: up to `threads` threads, cancelled
// when R is interrupted.
zemrath::ensemble_options interruptible_options(int threads);
