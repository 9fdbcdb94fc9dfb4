// Whether a generation's counts wrapped around 32 bits.
//
// The model keeps its counts in 32 bits and lets their sums and products wrap
// in two's complement, so that every row is the one the console program
// writes; a wrapped row shows a number that is not the population's. The
// check recomputes the generation's sums exactly from what the generation
// leaves behind, so the model itself is untouched.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "model/adult_classes.hpp"
#include "model/age_class_array.hpp"
#include "model/fecundity.hpp"

namespace zemrath {

// One age class after the survival draws: its adults and the eggs of one of them.
struct class_tally {
    std::int32_t adults = 0;
    std::int32_t eggs = 0;
};

// The classes that have held adults so far in the run, in class order (the
// classes above them are empty).
std::vector<class_tally> class_tallies(const adult_classes& adults);

// Every class of the reference arrays, in class order.
std::vector<class_tally> class_tallies(const age_class_array& age_classes, const growth_parameters& growth);

// True when the embryos (the sum over classes of adults x eggs) or the adults
// (the sum of the adults) left the 32-bit range at any step, classes taken in
// class order: a product, or a partial sum.
bool counts_wrapped(std::span<const class_tally> classes);

}  // namespace zemrath
