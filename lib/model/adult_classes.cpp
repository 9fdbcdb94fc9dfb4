#include "model/adult_classes.hpp"

#include "model/count_arithmetic.hpp"

namespace zemrath {

bool create_adult_classes(adult_classes& adults, std::int32_t classes) {
    adults = adult_classes{};
    return create_age_class_array(adults.counts, classes) && create_age_class_array(adults.eggs, classes);
}

namespace {

std::int32_t class_of_slot(const adult_classes& adults, std::int32_t slot) {
    return slot >= adults.first ? slot - adults.first + 1 : slot + adults.counts.size - adults.first + 1;
}

// A class holds adults only if the class below held survivors the year
// before, so classes are asked for from 1 upwards and the one asked for is at
// most one past the known ones.
std::int32_t eggs_of_class(adult_classes& adults, const growth_parameters& growth,
                           const fecundity_constants& constants, std::int32_t age_class) {
    while (adults.eggs_known < age_class) {
        ++adults.eggs_known;
        adults.eggs[adults.eggs_known] = eggs_at_age(growth, constants, adults.eggs_known);
    }
    return adults.eggs[age_class];
}

}  // namespace

std::int32_t adult_count(const adult_classes& adults, std::int32_t age_class) {
    const std::int32_t slot = adults.first + age_class - 1;
    return adults.counts[slot > adults.counts.size ? slot - adults.counts.size : slot];
}

adult_update adulto(adult_classes& adults, std::int32_t recruits, const adult_parameters& parameters,
                    rand_state& rng, const count_settings& settings) {
    adult_update update;
    const std::int32_t classes = adults.counts.size;
    if (classes <= 0) return update;

    // Ageing: the last class's slot becomes class 1 and its adults leave.
    adults.first = adults.first == 1 ? classes : adults.first - 1;
    if (!adults.occupied.empty() && adults.occupied.front() == adults.first) adults.occupied.pop_front();
    adults.counts[adults.first] = recruits;
    if (recruits != 0) adults.occupied.push_back(adults.first);

    const fecundity_constants constants = compute_fecundity_constants(parameters.growth);
    for (auto slot = adults.occupied.rbegin(); slot != adults.occupied.rend(); ++slot) {  // class order
        std::int32_t& count = adults.counts[*slot];
        count -= fast_count_draws_above(count, parameters.adult_survival, rng, settings);
        const std::int32_t eggs = eggs_of_class(adults, parameters.growth, constants, class_of_slot(adults, *slot));
        update.embryos = wrapping_add(update.embryos, wrapping_multiply(count, eggs));
        update.adults = wrapping_add(update.adults, count);
    }

    std::size_t kept = 0;
    for (const std::int32_t slot : adults.occupied)
        if (adults.counts[slot] != 0) adults.occupied[kept++] = slot;
    adults.occupied.resize(kept);
    return update;
}

}  // namespace zemrath
