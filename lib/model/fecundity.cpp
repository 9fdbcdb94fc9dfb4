#include "model/fecundity.hpp"

#include <cmath>
#include <limits>

namespace zemrath {

fecundity_constants compute_fecundity_constants(const growth_parameters& growth) {
    const long double r = growth.weight_increase_rate;
    fecundity_constants c;
    c.k = static_cast<double>(growth.growth_inhibition / (r - 1.0L));
    c.d = static_cast<double>(1.0L / growth.weight_at_one_year - c.k);
    c.f = static_cast<double>((growth.fecundity_rate * static_cast<long double>(fecundity_factor)) *
                              fecundity_scale);
    return c;
}

long double integer_power(long double base, std::int32_t exponent) {
    auto bits = static_cast<std::uint32_t>(exponent);
    long double result = 1.0L;
    while (bits != 0) {
        if ((bits & 1u) != 0) result *= base;
        bits >>= 1;
        if (bits != 0) base *= base;
    }
    return result;
}

double weight_at_age(const growth_parameters& growth, const fecundity_constants& constants,
                     std::int32_t age_class) {
    const long double power = integer_power(growth.weight_increase_rate, age_class);
    const double x = static_cast<double>(constants.d / power + constants.k);
    return static_cast<double>(1.0L / x);
}

std::int32_t eggs_for_weight(double weight, const fecundity_constants& constants) {
    const double p = std::pow(weight, fecundity_exponent);
    const double e = static_cast<double>(static_cast<long double>(p) * constants.f);
    return round_to_count(e);
}

std::int32_t eggs_at_age(const growth_parameters& growth, const fecundity_constants& constants,
                         std::int32_t age_class) {
    return eggs_for_weight(weight_at_age(growth, constants, age_class), constants);
}

std::int32_t round_to_count(double value) {
    const double rounded = std::round(value);  // half away from zero, no E + 0.5
    constexpr double lowest = std::numeric_limits<std::int32_t>::min();
    constexpr double highest = std::numeric_limits<std::int32_t>::max();
    if (!(rounded >= lowest && rounded <= highest)) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(rounded);
}

}  // namespace zemrath
