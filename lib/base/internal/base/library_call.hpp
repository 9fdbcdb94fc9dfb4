// What every entry point of the library does around its work: the model's
// floating-point environment for the duration of the call (the caller's is
// restored after), and a failed allocation reported as the library's error.
#pragma once

#include <cerrno>
#include <cstring>
#include <new>

#include "zemrath/floating_point.hpp"
#include "zemrath/error.hpp"

namespace zemrath {

template <typename Body>
auto library_call(Body&& body) -> decltype(body()) {
    const model_floating_point environment;
    try {
        return body();
    } catch (const std::bad_alloc&) {
        throw error(error_code::out_of_memory, std::strerror(ENOMEM));
    }
}

}  // namespace zemrath
