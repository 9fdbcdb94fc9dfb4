// How the core runs under Python: without the interpreter's lock, so that
// other Python threads (a Dask worker's, a GUI's) go on meanwhile, and
// stopped by Ctrl-C.
//
// The core asks whether to stop on the calling thread (between the
// generations of a stream run here, and through an ensemble's
// cancel_requested); each question takes the lock back for a moment and
// runs Python's signal handlers (PyErr_CheckSignals), at most every
// interrupt_interval. A handler that raises (KeyboardInterrupt for SIGINT)
// stops the run, and its exception is what the call raises once the core's
// frames are gone and the worker threads have finished; they stay ready for
// the next call. Only the main thread ever runs signal handlers, so a call
// made on another thread is never stopped this way.
#pragma once

#include <pybind11/pybind11.h>

#include <chrono>
#include <optional>
#include <utility>

namespace zemrath::python {

// Often enough that Ctrl-C answers at once, seldom enough that asking costs
// nothing next to the work.
inline constexpr std::chrono::milliseconds interrupt_interval{50};

// Whether Python has asked the run to stop. Called without the lock.
struct interrupt_watch {
    bool interrupted = false;
    std::chrono::steady_clock::time_point next_question = std::chrono::steady_clock::now();

    // Asks Python now (once interrupted, no more).
    bool stop_requested();
    // Asks only once interrupt_interval has passed since the last question.
    bool stop_requested_now_and_then();
};

// Runs body(watch) without the lock and gives its result. When a signal
// handler raised during the run, that exception is raised instead of any
// result or failure of the body.
template <typename Body>
auto without_interpreter_lock(Body&& body) {
    interrupt_watch watch;
    std::optional<decltype(body(watch))> result;
    try {
        const pybind11::gil_scoped_release unlocked;
        result.emplace(body(watch));
    } catch (...) {
        if (watch.interrupted) throw pybind11::error_already_set();
        throw;
    }
    if (watch.interrupted) throw pybind11::error_already_set();
    return std::move(*result);
}

// Registers the translation of the core's failures into the package's
// exceptions (zemrath._errors): a zemrath::error by its code, with its
// message and subject; memory that C++ cannot have as zemrath.OutOfMemory;
// a thread or other resource the system refuses as zemrath.SystemRefused.
void register_error_translation();

}  // namespace zemrath::python
