#include "zemrath/floating_point.hpp"

#if (defined(__x86_64__) || defined(__i386__)) && __has_include(<fpu_control.h>)
#include <fpu_control.h>
#define ZEMRATH_X87_CONTROL 1
#endif

namespace zemrath {

namespace {

// Masks and rounding go through the standard calls; the precision of the x87
// unit has no standard call.
void install_model_environment() {
    std::fesetround(FE_TONEAREST);
#ifdef ZEMRATH_X87_CONTROL
    fpu_control_t control = _FPU_DEFAULT;  // extended precision, nearest, all masked
    _FPU_SETCW(control);
#endif
}

}  // namespace

void set_model_floating_point() {
    std::fenv_t unused;
    std::feholdexcept(&unused);  // masks every exception
    install_model_environment();
}

model_floating_point::model_floating_point() {
    std::feholdexcept(&saved_);
    install_model_environment();
}

model_floating_point::~model_floating_point() { std::fesetenv(&saved_); }

}  // namespace zemrath
