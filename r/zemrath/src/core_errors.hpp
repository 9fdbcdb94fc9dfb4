// How the core's failures reach R. Every function the package exports runs
// its work through core_entry:
//   - a zemrath::error becomes an R error condition of classes
//     zemrath_<code> (zemrath_bad_value, zemrath_bad_answer, ...) and
//     zemrath_error, with the core's message and, where the failure is about
//     one argument, its name as `subject` ("adult_survival", "seeds");
//   - memory that C++ cannot have is a zemrath_out_of_memory error;
//   - a thread or another resource that the system refuses is a
//     zemrath_system_error, with the system's reason;
//   - a run that the core cancelled because R was interrupted becomes R's
//     own interrupt.
// Each is raised only after the work's C++ frames are gone: R's stop() is
// called through Rcpp's unwind protection, whose jump travels as a C++
// exception, so that destructors run (the runs of an ensemble are freed,
// the worker threads have finished) before R takes over.
#pragma once

#include <Rcpp.h>

#include <new>
#include <string>
#include <system_error>

#include "zemrath/error.hpp"

[[noreturn]] void signal_core_error(zemrath::error_code code, const std::string& message,
                                    const std::string& subject = {});

[[noreturn]] void signal_system_error(const std::system_error& failure);

template <typename Body>
auto core_entry(Body&& body) -> decltype(body()) {
    try {
        return body();
    } catch (const zemrath::error& failure) {
        signal_core_error(failure.code(), failure.what(), failure.subject());
    } catch (const std::bad_alloc&) {
        signal_core_error(zemrath::error_code::out_of_memory, "not enough memory");
    } catch (const std::system_error& failure) {
        signal_system_error(failure);
    }
}
