#include "core_calls.hpp"

#include <new>
#include <string>
#include <system_error>

#include "zemrath/error.hpp"

namespace zemrath::python {

namespace py = pybind11;

bool interrupt_watch::stop_requested() {
    if (interrupted) return true;
    next_question = std::chrono::steady_clock::now() + interrupt_interval;
    const py::gil_scoped_acquire locked;
    interrupted = PyErr_CheckSignals() != 0;
    return interrupted;
}

bool interrupt_watch::stop_requested_now_and_then() {
    if (interrupted) return true;
    if (std::chrono::steady_clock::now() < next_question) return false;
    return stop_requested();
}

namespace {

// Raises the package's exception for a failure of this kind.
void raise_failure(std::string_view code, const std::string& message, const std::string& subject = {},
                   int system_code = 0) {
    const py::object failure = py::module_::import("zemrath._errors")
                                   .attr("from_core")(std::string(code), message, subject, system_code);
    PyErr_SetObject(reinterpret_cast<PyObject*>(Py_TYPE(failure.ptr())), failure.ptr());
}

}  // namespace

void register_error_translation() {
    py::register_exception_translator([](std::exception_ptr thrown) {
        try {
            if (thrown) std::rethrow_exception(thrown);
        } catch (const zemrath::error& failure) {
            raise_failure(error_code_name(failure.code()), failure.what(), failure.subject());
        } catch (const std::bad_alloc&) {
            raise_failure(error_code_name(error_code::out_of_memory), "not enough memory");
        } catch (const std::system_error& failure) {
            raise_failure("system_refused", std::string("the system refused what the run needs: ") + failure.what(),
                          {}, failure.code().value());
        }
    });
}

}  // namespace zemrath::python
