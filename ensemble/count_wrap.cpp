#include "ensemble/count_wrap.hpp"

#include <limits>

namespace zemrath::ensemble {

namespace {

bool outside_32_bits(std::int64_t value) {
    return value < std::numeric_limits<std::int32_t>::min() ||
           value > std::numeric_limits<std::int32_t>::max();
}

}  // namespace

bool counts_wrapped(const age_class_array& survivors, std::span<const std::int32_t> eggs_by_class) {
    // Each partial sum is checked before the next term is added, so the sums
    // stay far inside 64 bits: a term is below 2^62 in magnitude.
    std::int64_t embryos = 0;
    std::int64_t adults = 0;
    for (std::int32_t i = 1; i <= survivors.size; ++i) {
        const std::int64_t count = survivors[i];
        const std::int64_t spawned = count * eggs_by_class[static_cast<std::size_t>(i - 1)];
        embryos += spawned;
        adults += count;
        if (outside_32_bits(spawned) || outside_32_bits(embryos) || outside_32_bits(adults))
            return true;
    }
    return false;
}

}  // namespace zemrath::ensemble
