#include "run/count_wrap.hpp"

#include <limits>

namespace zemrath {

namespace {

bool outside_32_bits(std::int64_t value) {
    return value < std::numeric_limits<std::int32_t>::min() ||
           value > std::numeric_limits<std::int32_t>::max();
}

}  // namespace

std::vector<class_tally> class_tallies(const adult_classes& adults) {
    // Egg counts are known exactly for the classes that have held adults.
    std::vector<class_tally> tallies;
    for (std::int32_t i = 1; i <= adults.eggs_known; ++i)
        tallies.push_back({adult_count(adults, i), adults.eggs[i]});
    return tallies;
}

std::vector<class_tally> class_tallies(const age_class_array& age_classes, const growth_parameters& growth) {
    const fecundity_constants constants = compute_fecundity_constants(growth);
    std::vector<class_tally> tallies;
    for (std::int32_t i = 1; i <= age_classes.size; ++i)
        tallies.push_back({age_classes[i], eggs_at_age(growth, constants, i)});
    return tallies;
}

bool counts_wrapped(std::span<const class_tally> classes) {
    // Each partial sum is checked before the next term is added, so the sums
    // stay far inside 64 bits: a term is below 2^62 in magnitude.
    std::int64_t embryos = 0;
    std::int64_t adults = 0;
    for (const class_tally& tally : classes) {
        const std::int64_t count = tally.adults;
        const std::int64_t spawned = count * tally.eggs;
        embryos += spawned;
        adults += count;
        if (outside_32_bits(spawned) || outside_32_bits(embryos) || outside_32_bits(adults))
            return true;
    }
    return false;
}

}  // namespace zemrath
