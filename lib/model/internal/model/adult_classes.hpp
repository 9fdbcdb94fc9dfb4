// The adults of a run by age class, aged without copying.
//
// Class i lives in slot first + i - 1 of the counts array (wrapping around),
// so ageing moves `first` back one slot: the slot of the last class, whose
// adults leave, becomes class 1's. Only the classes that hold adults are
// visited, in class order; the egg count of a class is worked out once per
// run, the first time the class holds adults, and kept in the second array.
// After g generations at most the first g classes can hold adults, so the
// work and the memory touched follow the occupied classes: the arrays are
// taken zero-filled from the system, and their untouched pages cost nothing.
#pragma once

#include <cstdint>
#include <deque>

#include "model/age_class_array.hpp"
#include "model/stage_transitions.hpp"

namespace zemrath {

struct adult_classes {
    age_class_array counts;  // by slot, 1 to the number of classes
    age_class_array eggs;    // eggs_at_age by class, known for classes 1 to eggs_known
    std::int32_t first = 1;  // the slot of class 1
    std::int32_t eggs_known = 0;
    std::deque<std::int32_t> occupied;  // slots of the classes with a non-zero count, oldest first
};

// Both arrays with `classes` entries, all 0 (empty when classes <= 0).
// Returns false, with errno set, when the memory cannot be had.
bool create_adult_classes(adult_classes& adults, std::int32_t classes);

// The count of class age_class (1 to the number of classes).
std::int32_t adult_count(const adult_classes& adults, std::int32_t age_class);

// Does what reference_adulto does on the two arrays: the same counts
// afterwards, the same draws in the same order (class 1 to the last, one per
// adult), the same result. The parameters must be the same at every call on
// one adult_classes, as they are in a run: the egg counts are kept.
adult_update adulto(adult_classes& adults, std::int32_t recruits, const adult_parameters& parameters,
                    rand_state& rng, const count_settings& settings);

}  // namespace zemrath
