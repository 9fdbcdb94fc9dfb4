#include "cli/kernel_setting.hpp"

#include <cstdlib>
#include <string>

#include "zemrath/error.hpp"

namespace zemrath::cli {

std::optional<count_kernel> kernel_from_environment() {
    const std::string variable(kernel_variable);
    try {
        return kernel_from_setting(std::getenv(variable.c_str()));
    } catch (const error& failure) {
        throw error(failure.code(), variable + ": " + failure.what());
    }
}

}  // namespace zemrath::cli
