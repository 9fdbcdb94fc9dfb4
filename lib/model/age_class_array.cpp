#include "model/age_class_array.hpp"

#include <cerrno>

namespace zemrath {

bool create_age_class_array(age_class_array& array, std::int32_t classes) {
    array = age_class_array{};
    if (classes <= 0) return true;
    if (classes > max_age_classes) {
        errno = ENOMEM;
        return false;
    }
    auto* memory = static_cast<std::int32_t*>(
        std::calloc(static_cast<std::size_t>(classes), sizeof(std::int32_t)));
    if (memory == nullptr) return false;
    array.storage.reset(memory);
    array.size = classes;
    return true;
}

}  // namespace zemrath
