// Weight at age (Eq. (3)) and eggs per adult (Eq. 4).
//
// Intermediate results are carried in the x86-64 extended format (long
// double, 64-bit significand) and each named value (K, D, X, W, F, P, E) is
// rounded to double as it is formed; this working precision decides the last
// bits of the weights, and with them which egg counts round up or down.
#pragma once

#include <cstdint>

namespace zemrath {

// The fecundity constants, exactly: the single-precision values of 564.86 and
// 0.73 widened to double (not the doubles nearest 564.86 and 0.73).
inline constexpr double fecundity_factor = 0.5;
inline constexpr double fecundity_scale = 564.8599853515625;
inline constexpr double fecundity_exponent = 0.7300000190734863;

struct growth_parameters {
    double weight_increase_rate = 0;  // r
    double growth_inhibition = 0;     // a
    double weight_at_one_year = 0;    // w1
    double fecundity_rate = 0;        // f
};

// K, D and F: the same for every class.
struct fecundity_constants {
    double k = 0;
    double d = 0;
    double f = 0;
};

fecundity_constants compute_fecundity_constants(const growth_parameters& growth);

// r^i by binary powering in extended precision, for i >= 1.
long double integer_power(long double base, std::int32_t exponent);

// W for class i: 1 / (D / r^i + K), the class index itself as the exponent.
double weight_at_age(const growth_parameters& growth, const fecundity_constants& constants,
                     std::int32_t age_class);

// P := W^0.7300000190734863, E := P x F, rounded half away from zero.
std::int32_t eggs_for_weight(double weight, const fecundity_constants& constants);

// eggs_for_weight(weight_at_age(...)).
std::int32_t eggs_at_age(const growth_parameters& growth, const fecundity_constants& constants,
                         std::int32_t age_class);

// Rounds half away from zero; -2147483648 for NaN, infinities and values
// outside the 32-bit range.
std::int32_t round_to_count(double value);

}  // namespace zemrath
