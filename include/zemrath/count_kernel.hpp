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

// "scalar", "avx2", "avx512", and back.
std::string_view kernel_name(count_kernel kernel);
std::optional<count_kernel> kernel_named(std::string_view name);

}  // namespace zemrath
