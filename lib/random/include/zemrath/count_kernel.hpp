// The instruction sets that long counts of the random stream can run on.
//
// Every kernel gives the same counts to the bit; they differ only in speed.
// The x86 kernels run only where the processor (and its operating system)
// supports their instructions; the portable one runs everywhere.
#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace zemrath {

enum class count_kernel { scalar, avx2, avx512 };

inline constexpr std::array<count_kernel, 3> every_count_kernel = {count_kernel::scalar, count_kernel::avx2,
                                                                   count_kernel::avx512};

// Whether this processor runs the kernel.
bool kernel_supported(count_kernel kernel);

// The kernel used when none is asked for: the fastest supported one, found
// by a short timed trial (about a millisecond) the first time it is asked
// for, and kept for the process.
count_kernel best_kernel();

// Throws error(bad_value) when this processor cannot run the kernel.
void require_kernel_supported(count_kernel kernel);

// "scalar", "avx2", "avx512", and back.
std::string_view kernel_name(count_kernel kernel);
std::optional<count_kernel> kernel_named(std::string_view name);

// The environment variable through which this project's programs let a user
// force a kernel. The library itself reads no environment.
inline constexpr std::string_view kernel_variable = "ZEMRATH_KERNEL";

// The kernel that a setting such as ZEMRATH_KERNEL's value asks for: none
// when the setting is unset (nullptr) or empty. Throws error(bad_value) with
// a message for people when it names no kernel, or one this processor
// cannot run.
std::optional<count_kernel> kernel_from_setting(const char* setting);

}  // namespace zemrath
