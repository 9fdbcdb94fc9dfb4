// The counting kernel a tool is told to use by ZEMRATH_KERNEL. The library
// reads no environment, so every tool asks here, and refuses a bad setting
// in the same words.
#pragma once

#include <optional>

#include "zemrath/count_kernel.hpp"

namespace zemrath::cli {

// None when the variable is unset or empty. Throws bad_value, the message
// beginning with the variable's name ("ZEMRATH_KERNEL: ...") for a name that
// is no kernel or a kernel this processor cannot run.
std::optional<count_kernel> kernel_from_environment();

}  // namespace zemrath::cli
