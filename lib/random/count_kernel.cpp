#include "zemrath/count_kernel.hpp"

#include <array>
#include <string>

#include "random/count_kernels.hpp"
#include "random/instruction_sets.hpp"
#include "random/kernel_trial.hpp"
#include "zemrath/error.hpp"

namespace zemrath {

bool kernel_supported(count_kernel kernel) {
    const instruction_sets usable = usable_instruction_sets();
    switch (kernel) {
    case count_kernel::scalar: return true;
    case count_kernel::avx2: return usable.avx2;
    case count_kernel::avx512: return usable.avx512;
    }
    return false;
}

count_kernel best_kernel() {
    // The trial times every kernel the processor runs, once; the best is the
    // fastest of them that may be used now.
    static const std::array<count_kernel, every_count_kernel.size()> by_speed = kernels_by_speed();
    for (count_kernel kernel : by_speed)
        if (kernel_supported(kernel)) return kernel;
    return count_kernel::scalar;
}

lane_kernels lane_kernels_for(count_kernel kernel) {
    switch (kernel) {
    case count_kernel::scalar: return {count_group_scalar, count_lanes_scalar, count_striped_scalar};
#if defined(__x86_64__) || defined(__i386__)
    case count_kernel::avx2: return {count_group_avx2, count_lanes_avx2, count_striped_avx2};
    case count_kernel::avx512: return {count_group_avx512, count_lanes_avx2, count_striped_avx2};
#else
    case count_kernel::avx2:
    case count_kernel::avx512: break;
#endif
    }
    return {count_group_scalar, count_lanes_scalar, count_striped_scalar};
}

void require_kernel_supported(count_kernel kernel) {
    if (!kernel_supported(kernel))
        throw error(error_code::bad_value,
                    "this processor cannot run the " + std::string(kernel_name(kernel)) + " kernel");
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
    for (count_kernel kernel : every_count_kernel)
        if (kernel_name(kernel) == name) return kernel;
    return std::nullopt;
}

std::optional<count_kernel> kernel_from_setting(const char* setting) {
    if (setting == nullptr || *setting == '\0') return std::nullopt;
    const std::optional<count_kernel> kernel = kernel_named(setting);
    if (!kernel) {
        std::string names;
        for (const count_kernel choice : every_count_kernel) names += (names.empty() ? "" : ", ") + std::string(kernel_name(choice));
        throw error(error_code::bad_value, "\"" + std::string(setting) + "\" is not one of " + names);
    }
    require_kernel_supported(*kernel);
    return kernel;
}

}  // namespace zemrath
