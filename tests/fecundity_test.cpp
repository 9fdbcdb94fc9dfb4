#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "model/fecundity.hpp"

namespace zemrath {
namespace {

const growth_parameters worked_example{2.0, 0.5, 0.1, 1.0};

TEST(Fecundity, WorkedExampleConstants) {
    const fecundity_constants c = compute_fecundity_constants(worked_example);
    EXPECT_EQ(c.k, 0.5);
    EXPECT_EQ(c.d, 9.5);
    EXPECT_EQ(c.f, 282.42999267578125);
}

TEST(Fecundity, WorkedExampleByClass) {
    struct {
        std::int32_t age_class;
        long double power;
        double weight;
        double p;
        double e;
        std::int32_t eggs;
    } rows[] = {
        {1, 2, 0.19047619047619047, 0.2980462725406915, 84.1772065707114, 84},
        {2, 4, 0.34782608695652173, 0.4625879988499478, 130.64872512709505, 131},
        {3, 8, 0.5925925925925926, 0.6825147401080778, 192.76263304983715, 193},
    };
    const fecundity_constants c = compute_fecundity_constants(worked_example);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.age_class);
        EXPECT_EQ(integer_power(2.0L, row.age_class), row.power);
        const double w = weight_at_age(worked_example, c, row.age_class);
        EXPECT_EQ(w, row.weight);
        const double p = std::pow(w, fecundity_exponent);
        EXPECT_EQ(p, row.p);
        EXPECT_EQ(static_cast<double>(static_cast<long double>(p) * c.f), row.e);
        EXPECT_EQ(eggs_at_age(worked_example, c, row.age_class), row.eggs);
    }
}

TEST(Fecundity, ConstantsAreTheWidenedSinglePrecisionValues) {
    EXPECT_EQ(fecundity_scale, static_cast<double>(564.86f));
    EXPECT_EQ(fecundity_exponent, static_cast<double>(0.73f));
    EXPECT_NE(fecundity_scale, 564.86);
    EXPECT_NE(fecundity_exponent, 0.73);
}

TEST(Fecundity, IntegerPowerByBinaryPowering) {
    EXPECT_EQ(integer_power(3.0L, 1), 3.0L);
    EXPECT_EQ(integer_power(3.0L, 5), 243.0L);
    EXPECT_EQ(integer_power(1.5L, 10), std::pow(1.5L, 10));
    EXPECT_EQ(integer_power(2.0L, 62), 4611686018427387904.0L);
    // The partial products are extended: 1.1^3 rounded once per product in
    // 64-bit significands, which differs from a double-precision product.
    const long double base = 1.1;
    EXPECT_EQ(integer_power(base, 3), (base * base) * base);
    EXPECT_EQ(integer_power(base, 6), ((base * base) * (base * base)) * (base * base));
}

TEST(Fecundity, RoundingHalfAwayFromZero) {
    constexpr std::int32_t sentinel = std::numeric_limits<std::int32_t>::min();
    struct {
        double value;
        std::int32_t count;
    } cases[] = {
        {2.5, 3},
        {-2.5, -3},
        {84.5, 85},
        {0.49999999999999994, 0},
        {-0.49999999999999994, 0},
        {2147483647.0, 2147483647},
        {2147483647.4, 2147483647},
        {2147483647.5, sentinel},
        {-2147483648.0, sentinel},
        {-2147483648.4, sentinel},
        {-2147483648.5, sentinel},
        {std::numeric_limits<double>::infinity(), sentinel},
        {-std::numeric_limits<double>::infinity(), sentinel},
        {std::numeric_limits<double>::quiet_NaN(), sentinel},
        {1e300, sentinel},
    };
    for (const auto& c : cases) EXPECT_EQ(round_to_count(c.value), c.count) << c.value;
}

TEST(Fecundity, WeightIncreaseRateOfOneGivesTheSentinelEggCount) {
    constexpr std::int32_t sentinel = std::numeric_limits<std::int32_t>::min();
    for (double inhibition : {0.5, 0.0}) {
        const growth_parameters growth{1.0, inhibition, 0.1, 1.0};
        const fecundity_constants c = compute_fecundity_constants(growth);
        EXPECT_TRUE(std::isinf(c.k) || std::isnan(c.k));
        for (std::int32_t i = 1; i <= 3; ++i) {
            EXPECT_TRUE(std::isnan(weight_at_age(growth, c, i)));
            EXPECT_EQ(eggs_at_age(growth, c, i), sentinel);
        }
    }
}

TEST(Fecundity, RealPowerSpecialValues) {
    const fecundity_constants c = compute_fecundity_constants(worked_example);
    EXPECT_EQ(eggs_for_weight(0.0, c), 0);
    EXPECT_EQ(eggs_for_weight(-1.0, c), std::numeric_limits<std::int32_t>::min());
}

}  // namespace
}  // namespace zemrath
