// Experiment designs: the points of every kind in their order, the values of
// ranges, the sampling fixed by its seed, the checks; and the sensitivity
// estimators on functions whose indices are known.
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "zemrath/design.hpp"
#include "zemrath/ensemble_summary.hpp"
#include "zemrath/outcomes.hpp"
#include "zemrath/sensitivity.hpp"
#include "zemrath/sweep_analysis.hpp"

namespace zemrath {
namespace {

constexpr std::size_t adult_survival = 2;
constexpr std::size_t carrying_capacity = 3;
constexpr std::size_t max_reproduction_age = 7;
constexpr std::size_t generations = 9;

varied_parameter listed(std::size_t answer, std::vector<double> values) {
    varied_parameter v;
    v.answer = answer;
    v.values = std::move(values);
    return v;
}

varied_parameter ranged(std::size_t answer, double from, double to, std::int32_t points = 0,
                        value_scale scale = value_scale::linear) {
    varied_parameter v;
    v.answer = answer;
    v.from = from;
    v.to = to;
    v.points = points;
    v.scale = scale;
    return v;
}

experiment_design design_of(design_kind kind, std::vector<varied_parameter> varied, std::int32_t samples = 0,
                            std::uint64_t seed = 1) {
    experiment_design d;
    d.base.adult_survival = 0.5;
    d.base.carrying_capacity = 1000;
    d.base.max_reproduction_age = 4;
    d.base.generations = 50;
    d.kind = kind;
    d.varied = std::move(varied);
    d.samples = samples;
    d.sample_seed = seed;
    return d;
}

TEST(Design, RangesAreEvenlySpacedWithTheirEnds) {
    EXPECT_EQ(parameter_values(ranged(adult_survival, 0.3, 0.6, 4)), (std::vector<double>{0.3, 0.4, 0.5, 0.6}));
    EXPECT_EQ(parameter_values(ranged(carrying_capacity, 10, 1000, 3, value_scale::log)),
              (std::vector<double>{10, 100, 1000}));
    EXPECT_EQ(parameter_values(ranged(adult_survival, 0.25, 0.75, 1)), (std::vector<double>{0.25}));
    // Whole numbers for an integer answer, rounded to the nearest.
    EXPECT_EQ(parameter_values(ranged(max_reproduction_age, 1, 4, 5)), (std::vector<double>{1, 2, 3, 3, 4}));
}

// The doubles within `ulps` of a value.
bool within_ulps(double a, double b, int ulps) {
    const double ulp = std::nextafter(std::fabs(b), INFINITY) - std::fabs(b);
    return std::fabs(a - b) <= ulps * ulp;
}

TEST(Design, RangePointsAreTheShortestDecimalsNearTheExactPoints) {
    struct case_t {
        double from, to;
        std::int32_t points;
        value_scale scale;
        std::vector<double> expected;
    };
    const case_t cases[] = {
        // The arithmetic gives 800.0000000000006 and 0.39999999999999997.
        {50, 3200, 7, value_scale::log, {50, 100, 200, 400, 800, 1600, 3200}},
        {100, 3200, 6, value_scale::log, {100, 200, 400, 800, 1600, 3200}},
        {1e-3, 1e3, 7, value_scale::log, {0.001, 0.01, 0.1, 1, 10, 100, 1000}},
        {0.3, 0.6, 4, value_scale::linear, {0.3, 0.4, 0.5, 0.6}},
        {0.1, 0.7, 7, value_scale::linear, {0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 0.7}},
        {1, 2, 11, value_scale::linear, {1, 1.1, 1.2, 1.3, 1.4, 1.5, 1.6, 1.7, 1.8, 1.9, 2}},
        // Points that are no short decimal stay the nearest doubles.
        {0, 1, 4, value_scale::linear, {0, 1.0 / 3, 2.0 / 3, 1}},
    };
    for (const case_t& c : cases) {
        SCOPED_TRACE(testing::Message() << c.from << " to " << c.to << " in " << c.points);
        const std::vector<double> values = parameter_values(ranged(carrying_capacity, c.from, c.to, c.points, c.scale));
        EXPECT_EQ(values, c.expected);
    }
}

TEST(Design, SnappedRangePointsStayInOrderAndNearTheirPlaces) {
    // Ranges a few ulps wide, and ordinary ones: every point within two ulps
    // of where the exact arithmetic puts it, the points in order.
    const double one_ulp_above_1 = std::nextafter(1.0, 2.0);
    struct case_t {
        double from, to;
        std::int32_t points;
        value_scale scale;
    };
    const case_t cases[] = {
        {1, 1 + 8 * (one_ulp_above_1 - 1), 9, value_scale::linear},
        {1, 1 + 8 * (one_ulp_above_1 - 1), 9, value_scale::log},
        {0.1, 0.1000000000000001, 5, value_scale::linear},
        {1e-300, 1e300, 11, value_scale::log},
        {-5, 5, 21, value_scale::linear},
        {0.013, 0.8, 17, value_scale::log},
        {12.5, 12.5, 4, value_scale::linear},
    };
    for (const case_t& c : cases) {
        SCOPED_TRACE(testing::Message() << c.from << " to " << c.to << " in " << c.points);
        const std::vector<double> values = parameter_values(ranged(adult_survival, c.from, c.to, c.points, c.scale));
        ASSERT_EQ(values.size(), static_cast<std::size_t>(c.points));
        EXPECT_EQ(values.front(), c.from);
        EXPECT_EQ(values.back(), c.to);
        for (std::size_t i = 1; i < values.size(); ++i) {
            const long double u = static_cast<long double>(i) / (c.points - 1);
            const long double exact = c.scale == value_scale::log
                                          ? c.from * std::pow(static_cast<long double>(c.to) / c.from, u)
                                          : c.from + u * (static_cast<long double>(c.to) - c.from);
            EXPECT_TRUE(within_ulps(values[i], static_cast<double>(exact), 2)) << values[i];
            if (c.from < c.to) {
                EXPECT_LT(values[i - 1], values[i]) << i;
            }
        }
    }
}

TEST(Design, GridVariesTheFirstParameterSlowest) {
    const auto points = design_points(design_of(
        design_kind::grid, {listed(carrying_capacity, {100, 400, 1600}), ranged(adult_survival, 0.3, 0.6, 4)}));
    ASSERT_EQ(points.size(), 12u);
    for (std::size_t i = 0; i < points.size(); ++i) {
        EXPECT_EQ(points[i].carrying_capacity, (std::vector<double>{100, 400, 1600})[i / 4]) << i;
        EXPECT_EQ(points[i].adult_survival, (std::vector<double>{0.3, 0.4, 0.5, 0.6})[i % 4]) << i;
        EXPECT_EQ(points[i].generations, 50);
    }
}

TEST(Design, OneAtATimeIsTheBaseThenEachParameterAlone) {
    const auto points = design_points(
        design_of(design_kind::one_at_a_time, {listed(carrying_capacity, {100, 400}), listed(generations, {10, 20, 30})}));
    ASSERT_EQ(points.size(), 6u);
    EXPECT_EQ(points[0].carrying_capacity, 1000);
    EXPECT_EQ(points[0].generations, 50);
    EXPECT_EQ(points[1].carrying_capacity, 100);
    EXPECT_EQ(points[2].carrying_capacity, 400);
    for (std::size_t i : {1u, 2u}) EXPECT_EQ(points[i].generations, 50);
    for (std::size_t i : {3u, 4u, 5u}) {
        EXPECT_EQ(points[i].carrying_capacity, 1000);
        EXPECT_EQ(points[i].generations, static_cast<std::int32_t>(10 * (i - 2)));
    }
}

TEST(Design, LatinHypercubeFillsEveryStratumOnceAndFollowsItsSeed) {
    const experiment_design design = design_of(
        design_kind::latin_hypercube,
        {ranged(adult_survival, 0.2, 0.6), ranged(carrying_capacity, 10, 1e5, 0, value_scale::log),
         listed(max_reproduction_age, {1, 2, 3, 4, 5, 6, 7, 8})},
        8, 42);
    const auto points = design_points(design);
    ASSERT_EQ(points.size(), 8u);
    std::set<int> survival_strata, capacity_strata;
    std::multiset<std::int32_t> ages;
    for (const parameter_set& p : points) {
        survival_strata.insert(static_cast<int>((p.adult_survival - 0.2) / 0.05));
        capacity_strata.insert(static_cast<int>((std::log10(p.carrying_capacity) - 1) / 0.5));
        ages.insert(p.max_reproduction_age);
    }
    EXPECT_EQ(survival_strata.size(), 8u);
    EXPECT_EQ(capacity_strata.size(), 8u);
    EXPECT_EQ(ages, (std::multiset<std::int32_t>{1, 2, 3, 4, 5, 6, 7, 8}));  // each value once

    EXPECT_EQ(design_points(design)[3].adult_survival, points[3].adult_survival);  // the same seed, the same points
    experiment_design other = design;
    other.sample_seed = 43;
    EXPECT_NE(design_points(other)[3].adult_survival, points[3].adult_survival);
}

TEST(Design, SobolRowsAreAThenBThenAWithOneColumnOfB) {
    const experiment_design design =
        design_of(design_kind::sobol, {ranged(adult_survival, 0.2, 0.6), ranged(generations, 10, 100)}, 16, 7);
    const auto points = design_points(design);
    ASSERT_EQ(points.size(), 16u * 4);
    for (std::size_t i = 0; i < 16; ++i) {
        const parameter_set& a = points[i];
        const parameter_set& b = points[16 + i];
        EXPECT_EQ(points[32 + i].adult_survival, b.adult_survival);
        EXPECT_EQ(points[32 + i].generations, a.generations);
        EXPECT_EQ(points[48 + i].adult_survival, a.adult_survival);
        EXPECT_EQ(points[48 + i].generations, b.generations);
        EXPECT_GE(a.generations, 10);
        EXPECT_LE(a.generations, 100);
    }
}

TEST(Design, SizeIsTheNumberOfPointsWithoutMakingThem) {
    const experiment_design designs[] = {
        design_of(design_kind::grid, {listed(adult_survival, {0.3, 0.5, 0.7}), ranged(carrying_capacity, 10, 1000, 4)}),
        design_of(design_kind::one_at_a_time, {listed(adult_survival, {0.3, 0.5}), ranged(carrying_capacity, 10, 1000, 4)}),
        design_of(design_kind::latin_hypercube, {ranged(adult_survival, 0.3, 0.6), listed(generations, {5, 9})}, 7),
        design_of(design_kind::sobol, {ranged(adult_survival, 0.3, 0.6), ranged(carrying_capacity, 10, 100)}, 6),
    };
    for (const experiment_design& d : designs) {
        SCOPED_TRACE(design_kind_name(d.kind));
        EXPECT_EQ(design_size(d), design_points(d).size());
    }
    // Counted, not made: far beyond any memory, and past 64 bits.
    const std::int32_t most = INT32_MAX;
    EXPECT_EQ(design_size(design_of(design_kind::grid, {ranged(adult_survival, 0, 1, most), ranged(carrying_capacity, 1, 2, most)})),
              std::uint64_t{most} * std::uint64_t{most});
    EXPECT_EQ(design_size(design_of(design_kind::grid,
                                    {ranged(adult_survival, 0, 1, most), ranged(carrying_capacity, 1, 2, most),
                                     ranged(generations, 1, 2, most)})),
              UINT64_MAX);
    EXPECT_EQ(design_size(design_of(design_kind::sobol, {ranged(adult_survival, 0, 1), ranged(carrying_capacity, 1, 2)},
                                    100000000)),
              400000000u);
}

TEST(Design, ChecksNameTheParameter) {
    struct case_t {
        experiment_design design;
        const char* message;
    };
    const case_t cases[] = {
        {design_of(design_kind::grid, {}), "no parameter is varied"},
        {design_of(design_kind::grid, {ranged(adult_survival, 0.6, 0.3, 4)}), "adult_survival: the range runs from above"},
        {design_of(design_kind::grid, {ranged(adult_survival, 0.3, 0.6, 0)}), "adult_survival: a range needs at least 1 point"},
        {design_of(design_kind::grid, {ranged(carrying_capacity, 0, 10, 3, value_scale::log)}),
         "carrying_capacity: a log scale needs ends above 0"},
        {design_of(design_kind::grid, {listed(generations, {10, 12.5})}), "generations: takes whole numbers only"},
        {design_of(design_kind::grid, {ranged(generations, 0.5, 10, 3)}), "generations: takes whole numbers only"},
        {design_of(design_kind::grid, {listed(generations, {1}), listed(generations, {2})}), "generations: is varied twice"},
        {design_of(design_kind::latin_hypercube, {ranged(adult_survival, 0.3, 0.6)}, 1), "samples must be 2 or more"},
    };
    for (const case_t& c : cases) {
        try {
            design_points(c.design);
            ADD_FAILURE() << "accepted: " << c.message;
        } catch (const error& failure) {
            EXPECT_EQ(failure.code(), error_code::bad_value);
            EXPECT_EQ(std::string(failure.what()).find(c.message), 0u) << failure.what();
        }
    }
}

// Outcomes made from the points' own values, so that the indices are known.
template <typename Function>
std::vector<point_outcomes> outcomes_by(const std::vector<parameter_set>& points, Function f) {
    std::vector<point_outcomes> outcomes;
    for (const parameter_set& p : points) {
        point_outcomes o;
        o.extinct_fraction = f(p.adult_survival, p.fecundity_rate);
        o.adults_mean = 7;  // no variance at all: no index
        o.median_extinction_generation = std::nan("");
        outcomes.push_back(o);
    }
    return outcomes;
}

TEST(Sensitivity, SobolIndicesOfAnAdditiveFunction) {
    // Y = x1 + 2 x2 with x uniform on [0, 1]: the variances are 1/12 and
    // 4/12, so the first- and total-order indices are 0.2 and 0.8.
    const experiment_design design = design_of(
        design_kind::sobol, {ranged(adult_survival, 0, 1), ranged(8 /* fecundity_rate */, 0, 1)}, 4000, 3);
    const auto points = design_points(design);
    const auto indices =
        sobol_indices(design, outcomes_by(points, [](double x1, double x2) { return x1 + 2 * x2; }), 200);
    const double expected[] = {0.2, 0.8};
    for (const sobol_index& i : indices) {
        if (i.outcome == 0) {
            EXPECT_NEAR(i.first_order, expected[i.parameter], 0.05) << i.parameter;
            EXPECT_NEAR(i.total_order, expected[i.parameter], 0.05) << i.parameter;
            EXPECT_LE(i.first_order_low, i.first_order);
            EXPECT_GE(i.first_order_high, i.first_order);
            EXPECT_LT(i.first_order_high - i.first_order_low, 0.2);
        } else if (i.outcome == 1 || i.outcome == 5) {
            EXPECT_TRUE(std::isnan(i.first_order) && std::isnan(i.total_order)) << i.outcome;
        }
    }
}

TEST(Sensitivity, SobolIndicesSayWhyTheyAreUndefined) {
    const experiment_design design = design_of(
        design_kind::sobol, {ranged(adult_survival, 0, 1), ranged(8 /* fecundity_rate */, 0, 1)}, 64, 3);
    const auto points = design_points(design);
    // Outcome 0 varies at only one point of A: most resamples leave it out
    // and define no index, and take no part in the interval.
    std::vector<point_outcomes> outcomes = outcomes_by(points, [](double, double) { return 0.0; });
    outcomes[5].extinct_fraction = 1;
    outcomes[5 + 2 * 64].extinct_fraction = 1;
    for (const sobol_index& i : sobol_indices(design, outcomes, 200)) {
        SCOPED_TRACE(testing::Message() << "outcome " << i.outcome << ", parameter " << i.parameter);
        if (i.outcome == 0) {
            EXPECT_EQ(i.defined, index_definition::defined);
            EXPECT_TRUE(std::isfinite(i.first_order));
            EXPECT_TRUE(std::isfinite(i.first_order_low) && std::isfinite(i.first_order_high));
            EXPECT_LE(i.first_order_low, i.first_order_high);
            EXPECT_LE(i.total_order_low, i.total_order_high);
        } else if (i.outcome == 1) {  // 7 at every point
            EXPECT_EQ(i.defined, index_definition::outcome_constant);
            EXPECT_TRUE(std::isnan(i.first_order) && std::isnan(i.total_order) && std::isnan(i.first_order_low));
        } else if (i.outcome == 5) {  // missing at every point
            EXPECT_EQ(i.defined, index_definition::outcome_missing);
            EXPECT_TRUE(std::isnan(i.first_order) && std::isnan(i.total_order_high));
        }
    }
    // Missing at one point only is missing all the same.
    outcomes = outcomes_by(points, [](double x1, double x2) { return x1 + x2; });
    outcomes[70].extinct_fraction = std::nan("");
    EXPECT_EQ(sobol_indices(design, outcomes, 10).front().defined, index_definition::outcome_missing);
}

TEST(Outcomes, AtOneGenerationTheSummaryGivesTheStatisticsOfThatGeneration) {
    generation_summary g;
    g.generation = 7;
    g.extinct_fraction = 0.25;
    g.wrapped_fraction = 0.5;
    g.adults = {3.5, 1, 0, 1, 2, 3, 4, 6, 9};
    const point_outcomes o = outcomes_at(g);
    EXPECT_EQ(o.extinct_fraction, 0.25);
    EXPECT_EQ(o.adults_mean, 3.5);
    EXPECT_EQ(o.adults_p5, 1);
    EXPECT_EQ(o.adults_p50, 3);
    EXPECT_EQ(o.adults_p95, 6);
    // A generation's wrapped share is that generation's, not the run's.
    EXPECT_TRUE(std::isnan(o.wrapped_fraction));
    EXPECT_TRUE(std::isnan(o.median_extinction_generation));
    std::vector<std::string> per_generation;
    for (std::size_t k = 0; k < outcome_columns.size(); ++k)
        if (is_generation_statistic(k)) per_generation.emplace_back(outcome_columns[k].name);
    EXPECT_EQ(per_generation, (std::vector<std::string>{"extinct_fraction", "adults_mean", "adults_p5", "adults_p50",
                                                        "adults_p95"}));
    EXPECT_FALSE(is_generation_statistic(outcome_columns.size()));

    // A summary line's values read back into the same generation.
    const std::vector<double> values = summary_column_values(g);
    const generation_summary back = summary_from_column_values(7, values);
    EXPECT_EQ(summary_column_values(back), values);
    EXPECT_EQ(back.generation, 7);
    EXPECT_THROW(summary_from_column_values(7, std::span(values).first(values.size() - 1)), error);
}

TEST(Sensitivity, SobolIndicesSeeInteractions) {
    // Y = x1 x2 on [0, 1]^2: each alone explains 3/7 of the variance, each
    // with the interaction 4/7.
    const experiment_design design = design_of(
        design_kind::sobol, {ranged(adult_survival, 0, 1), ranged(8 /* fecundity_rate */, 0, 1)}, 4000, 9);
    const auto indices = sobol_indices(
        design, outcomes_by(design_points(design), [](double x1, double x2) { return x1 * x2; }), 0);
    for (const sobol_index& i : indices) {
        if (i.outcome != 0) continue;
        EXPECT_NEAR(i.first_order, 3.0 / 7, 0.05);
        EXPECT_NEAR(i.total_order, 4.0 / 7, 0.05);
    }
}

TEST(Sensitivity, OneAtATimeEffectsTakeTheLowestAndHighestValues) {
    const experiment_design design = design_of(
        design_kind::one_at_a_time, {listed(adult_survival, {0.7, 0.1, 0.4}), listed(8 /* fecundity_rate */, {2, 3})});
    const auto points = design_points(design);
    const auto outcomes = outcomes_by(points, [](double x1, double x2) { return x1 + 10 * x2; });
    const auto effects = one_at_a_time_effects(design, outcomes);
    ASSERT_EQ(effects.size(), 2 * outcome_columns.size());
    const one_at_a_time_effect& survival = effects[0];
    EXPECT_EQ(survival.low_value, 0.1);
    EXPECT_EQ(survival.high_value, 0.7);
    EXPECT_DOUBLE_EQ(survival.at_base, 0.5);  // base: survival 0.5, fecundity 0
    EXPECT_DOUBLE_EQ(survival.at_low, 0.1);
    EXPECT_DOUBLE_EQ(survival.at_high, 0.7);
    const one_at_a_time_effect& fecundity = effects[outcome_columns.size()];
    EXPECT_EQ(fecundity.parameter, 1u);
    EXPECT_DOUBLE_EQ(fecundity.at_low, 0.5 + 20);
    EXPECT_DOUBLE_EQ(fecundity.at_high, 0.5 + 30);
    EXPECT_THROW(one_at_a_time_effects(design, std::span(outcomes).first(3)), error);
}

TEST(SweepAnalysis, ExtremesSkipMissingValuesAndSensitivityFollowsTheDesign) {
    const experiment_design design = design_of(
        design_kind::one_at_a_time, {listed(adult_survival, {0.7, 0.1, 0.4}), listed(8 /* fecundity_rate */, {2, 3})});
    std::vector<point_outcomes> outcomes = outcomes_by(design_points(design), [](double x1, double x2) { return x1 + 10 * x2; });
    // Points: base (0.5), 0.7, 0.1, 0.4 (fecundity 0), then fecundity 2 and 3.
    outcomes[3].median_extinction_generation = 12;
    outcomes[1].median_extinction_generation = 4;
    const sweep_analysis a = analyse_sweep(design, outcomes);
    EXPECT_EQ(a.outcomes.size(), outcomes.size());
    const outcome_extremes& extinct = a.extremes[0];
    EXPECT_TRUE(extinct.any);
    EXPECT_EQ(extinct.lowest, 2u);   // 0.1
    EXPECT_EQ(extinct.highest, 5u);  // 0.5 + 30
    const outcome_extremes& mean = a.extremes[1];  // 7 everywhere: the first point is both
    EXPECT_EQ(mean.lowest, 0u);
    EXPECT_EQ(mean.highest, 0u);
    const outcome_extremes& median = a.extremes[5];  // missing but at points 1 and 3
    EXPECT_TRUE(median.any);
    EXPECT_EQ(median.lowest, 1u);
    EXPECT_EQ(median.highest, 3u);
    const std::vector<point_outcomes> none_died = outcomes_by(design_points(design), [](double, double) { return 0.0; });
    EXPECT_FALSE(analyse_sweep(design, none_died).extremes[5].any);  // missing at every point
    EXPECT_EQ(a.effects.size(), one_at_a_time_effects(design, outcomes).size());
    EXPECT_TRUE(a.indices.empty());
    EXPECT_THROW(analyse_sweep(design, std::vector<point_outcomes>(3)), error);

    const experiment_design grid = design_of(design_kind::grid, {listed(adult_survival, {0.1, 0.2})});
    const sweep_analysis g = analyse_sweep(grid, std::vector<point_outcomes>(2));
    EXPECT_TRUE(g.effects.empty() && g.indices.empty());
    EXPECT_FALSE(has_sensitivity(design_kind::grid));
    EXPECT_TRUE(has_sensitivity(design_kind::sobol));
}

TEST(Design, KindsByName) {
    for (design_kind kind : every_design_kind) EXPECT_EQ(design_kind_named(design_kind_name(kind)), kind);
    EXPECT_FALSE(design_kind_named("Grid").has_value());
    EXPECT_FALSE(design_kind_named("").has_value());
}

}  // namespace
}  // namespace zemrath
