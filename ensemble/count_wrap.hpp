// Whether a generation's counts wrapped around 32 bits.
//
// The model keeps its counts in 32 bits and lets sums and products wrap, as
// the original program did; a wrapped row shows a number that is not the
// population's. The check recomputes the generation's sums exactly from what
// the generation leaves behind, so the model itself is untouched.
#pragma once

#include <cstdint>
#include <span>

#include "model/age_class_array.hpp"

namespace zemrath::ensemble {

// survivors: the adults by class after the generation's survival draws;
// eggs_by_class[i - 1]: the eggs of one adult of class i (the same every
// generation), with eggs_by_class.size() == survivors.size.
// True when the embryos (the sum over classes of survivors x eggs) or the
// adults (the sum of the survivors) left the 32-bit range at any step: a
// product, or a partial sum in class order.
bool counts_wrapped(const age_class_array& survivors, std::span<const std::int32_t> eggs_by_class);

}  // namespace zemrath::ensemble
