#include "zemrath/count_kernel.hpp"

#include <array>

namespace zemrath {

namespace {

constexpr std::array<count_kernel, 3> every_kernel = {count_kernel::scalar, count_kernel::avx2,
                                                      count_kernel::avx512};

}  // namespace

bool kernel_supported(count_kernel kernel) {
    switch (kernel) {
    case count_kernel::scalar: return true;
#if defined(__x86_64__) || defined(__i386__)
    case count_kernel::avx2: return __builtin_cpu_supports("avx2");
    case count_kernel::avx512: return __builtin_cpu_supports("avx512f");
#else
    case count_kernel::avx2:
    case count_kernel::avx512: return false;
#endif
    }
    return false;
}

count_kernel best_kernel() {
    static const count_kernel best = kernel_supported(count_kernel::avx512) ? count_kernel::avx512
                                     : kernel_supported(count_kernel::avx2) ? count_kernel::avx2
                                                                            : count_kernel::scalar;
    return best;
}

std::string_view kernel_name(count_kernel kernel) {
    switch (kernel) {
    case count_kernel::scalar: return "scalar";
    case count_kernel::avx2: return "avx2";
    case count_kernel::avx512: return "avx512";
    }
    return "scalar";
}

std::optional<count_kernel> kernel_named(std::string_view name) {
    for (count_kernel kernel : every_kernel)
        if (kernel_name(kernel) == name) return kernel;
    return std::nullopt;
}

}  // namespace zemrath
