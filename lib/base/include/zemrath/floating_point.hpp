// The floating-point environment the model's arithmetic needs: rounding to
// nearest, every exception masked (a division by zero gives an infinity, an
// invalid operation a not-a-number) and, on x86, intermediate results carried
// with a 64-bit significand, which decides the last bits of the weights.
#pragma once

#include <cfenv>

namespace zemrath {

// Sets the environment on the calling thread and keeps it: for a program's
// own start-up and for the library's own worker threads.
void set_model_floating_point();

// Sets the environment for the lifetime of the object and then restores the
// caller's exactly (modes and exception flags), so that a host with its own
// settings never sees them changed. Every entry point of the library that
// computes with reals holds one.
class model_floating_point {
public:
    model_floating_point();
    ~model_floating_point();
    model_floating_point(const model_floating_point&) = delete;
    model_floating_point& operator=(const model_floating_point&) = delete;

private:
    std::fenv_t saved_;
};

}  // namespace zemrath
