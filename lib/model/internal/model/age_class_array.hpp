// Age-class array: 32-bit signed counts of adults by age class 1 to size.
//
// The memory comes zero-filled from the system, so a very large array whose
// classes are never touched does not take real memory.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>

namespace zemrath {

struct free_deleter {
    void operator()(std::int32_t* p) const { std::free(p); }
};

struct age_class_array {
    std::unique_ptr<std::int32_t[], free_deleter> storage;
    std::int32_t size = 0;  // number of classes; 0 when max_reproduction_age <= 0

    std::int32_t& operator[](std::int32_t age_class) { return storage[age_class - 1]; }
    std::int32_t operator[](std::int32_t age_class) const { return storage[age_class - 1]; }
};

// The largest class count whose byte count (4 per class) fits in 32 bits.
inline constexpr std::int32_t max_age_classes = 1073741823;

// Creates an array of classes 1 to classes, all 0 (empty when classes <= 0).
// Returns false, with errno set, when the memory cannot be had or the byte
// count does not fit in 32 bits.
bool create_age_class_array(age_class_array& array, std::int32_t classes);

}  // namespace zemrath
