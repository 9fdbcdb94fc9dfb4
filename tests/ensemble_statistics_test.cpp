// Statistics over streams: percentiles, the per-column summary, the
// per-generation summary of an ensemble and its text, on sets small enough to
// work out by hand.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>

#include "zemrath/ensemble_summary.hpp"
#include "zemrath/statistics.hpp"
#include "zemrath/ensemble_analysis.hpp"
#include "zemrath/error.hpp"

namespace zemrath::ensemble {
namespace {

TEST(Percentile, InterpolatesBetweenOrderStatistics) {
    // h = (n - 1) p; the value is x[floor h] plus the fraction of the step up.
    const std::vector<std::int32_t> five = {1, 2, 3, 4, 10};
    const std::vector<std::int32_t> two = {10, 20};
    const std::vector<std::int32_t> one = {-7};
    struct case_t {
        const std::vector<std::int32_t>* sorted;
        int percent;
        double expected;
    };
    const case_t cases[] = {
        {&five, 0, 1},    {&five, 5, 1.2},  {&five, 25, 2},   {&five, 50, 3},
        {&five, 75, 4},   {&five, 95, 8.8}, {&five, 100, 10}, {&two, 50, 15},
        {&two, 5, 10.5},  {&two, 95, 19.5}, {&one, 5, -7},    {&one, 100, -7},
    };
    for (const case_t& c : cases)
        EXPECT_NEAR(percentile(*c.sorted, c.percent), c.expected, 1e-12)
            << c.percent << "th of " << c.sorted->size();
}

TEST(Percentile, ThousandValuesGiveExactHundredths) {
    // 0 to 999: the p-th percentile is 9.99 p, and the 95th of 1000 values
    // lies 5 hundredths of the way from x[949] to x[950].
    std::vector<std::int32_t> values(1000);
    for (std::int32_t i = 0; i < 1000; ++i) values[i] = i;
    EXPECT_EQ(percentile(values, 95), 949.05);
    EXPECT_EQ(percentile(values, 5), 49.95);
    EXPECT_EQ(percentile(values, 50), 499.5);
}

TEST(ColumnSummary, HandComputedSet) {
    // Mean 4; squared deviations 9, 4, 1, 0, 36 sum to 50, over n = 5: 10.
    std::vector<std::int32_t> values = {10, 3, 1, 4, 2};
    const column_summary s = summarise_column(values);
    EXPECT_DOUBLE_EQ(s.mean, 4);
    EXPECT_DOUBLE_EQ(s.standard_deviation, std::sqrt(10.0));
    EXPECT_EQ(s.minimum, 1);
    EXPECT_DOUBLE_EQ(s.p5, 1.2);
    EXPECT_EQ(s.p25, 2);
    EXPECT_EQ(s.p50, 3);
    EXPECT_EQ(s.p75, 4);
    EXPECT_DOUBLE_EQ(s.p95, 8.8);
    EXPECT_EQ(s.maximum, 10);
    EXPECT_EQ(values, (std::vector<std::int32_t>{1, 2, 3, 4, 10}));  // sorted in place
}

TEST(ColumnSummary, ExtremeCountsDoNotOverflow) {
    std::vector<std::int32_t> values = {2147483647, 2147483647, -2147483647 - 1};
    const column_summary s = summarise_column(values);
    EXPECT_DOUBLE_EQ(s.mean, (2.0 * 2147483647 - 2147483648.0) / 3);
    EXPECT_EQ(s.minimum, -2147483648.0);
    EXPECT_EQ(s.maximum, 2147483647.0);
}

// Runs built by hand: one adults series per stream; embryos are ten times
// the adults and larvae half the embryos, so every column is known.
ensemble_runs hand_runs(const std::vector<std::vector<std::int32_t>>& adults,
                        const std::vector<std::vector<std::uint8_t>>& wrapped) {
    ensemble_runs runs;
    runs.rows_per_stream = adults.front().size();
    for (std::size_t k = 0; k < adults.size(); ++k) {
        runs.seeds.push_back(static_cast<std::int32_t>(10 * k));
        for (std::size_t g = 0; g < runs.rows_per_stream; ++g) {
            const std::int32_t a = adults[k][g];
            runs.rows.push_back({static_cast<std::int32_t>(g), 10 * a, 5 * a, a});
            runs.wrapped.push_back(wrapped[k][g]);
        }
    }
    return runs;
}

const ensemble_runs four_streams = hand_runs(
    {{20, 10, 0, 0}, {20, 30, 40, 50}, {20, 5, 5, 0}, {20, 12, 20, 30}},
    {{0, 0, 0, 0}, {0, 0, 1, 1}, {0, 0, 0, 0}, {0, 1, 0, 0}});

TEST(EnsembleSummary, ColumnsExtinctionAndWrapsPerGeneration) {
    const ensemble_summary s = summarise_ensemble(four_streams);
    ASSERT_EQ(s.generations.size(), 4u);
    // Generation 1: adults 10, 30, 5, 12 -> sorted 5, 10, 12, 30.
    const generation_summary& g1 = s.generations[1];
    EXPECT_EQ(g1.generation, 1);
    EXPECT_DOUBLE_EQ(g1.adults.mean, 14.25);
    EXPECT_DOUBLE_EQ(g1.adults.p50, 11);
    EXPECT_DOUBLE_EQ(g1.adults.p25, 8.75);  // h = 0.75
    EXPECT_DOUBLE_EQ(g1.embryos.p50, 110);
    EXPECT_DOUBLE_EQ(g1.larvae.maximum, 150);
    EXPECT_EQ(g1.extinct_fraction, 0);
    EXPECT_EQ(g1.wrapped_fraction, 0.25);
    // Generation 3: two streams without adults, one wrapped.
    EXPECT_EQ(s.generations[3].extinct_fraction, 0.5);
    EXPECT_EQ(s.generations[3].wrapped_fraction, 0.25);
    EXPECT_EQ(s.generations[2].extinct_fraction, 0.25);
    EXPECT_EQ(s.generations[0].adults.p50, 20);

    using gen = std::optional<std::int32_t>;
    EXPECT_EQ(s.extinction_generation, (std::vector<gen>{2, std::nullopt, 3, std::nullopt}));
    EXPECT_EQ(s.first_wrapped_generation, (std::vector<gen>{std::nullopt, 2, std::nullopt, 1}));
}

TEST(EnsembleSummary, ColumnNamesAndValuesLineUp) {
    // Every statistic of generation 1 is a different number, so a value out
    // of its column's place shows.
    const generation_summary g1 = summarise_ensemble(four_streams).generations[1];
    const std::vector<std::string> names = summary_column_names();
    const std::vector<double> values = summary_column_values(g1);
    ASSERT_EQ(names.size(), 29u);
    ASSERT_EQ(values.size(), names.size());
    const std::pair<std::string, double> expected[] = {
        {"embryos_mean", g1.embryos.mean}, {"embryos_sd", g1.embryos.standard_deviation},
        {"larvae_min", g1.larvae.minimum}, {"larvae_p95", g1.larvae.p95},
        {"adults_p5", g1.adults.p5},       {"adults_p25", g1.adults.p25},
        {"adults_p75", g1.adults.p75},     {"adults_max", g1.adults.maximum},
        {"extinct_fraction", g1.extinct_fraction}, {"wrapped_fraction", g1.wrapped_fraction},
    };
    for (const auto& [name, value] : expected) {
        const auto at = std::find(names.begin(), names.end(), name);
        ASSERT_NE(at, names.end()) << name;
        EXPECT_EQ(values[static_cast<std::size_t>(at - names.begin())], value) << name;
    }
    EXPECT_EQ(names.front(), "embryos_mean");
    EXPECT_EQ(names[9], "larvae_mean");
    EXPECT_EQ(names.back(), "wrapped_fraction");
}

TEST(EnsembleAnalysis, CountsTheStreamsThatDiedOutAndWrapped) {
    const ensemble_analysis a = analyse_ensemble(four_streams);
    EXPECT_EQ(a.seeds, (std::vector<std::int32_t>{0, 10, 20, 30}));
    EXPECT_EQ(a.summary.generations.size(), 4u);
    EXPECT_EQ(last_generation(a), 3);
    EXPECT_EQ(a.extinct_streams, 2u);  // the first at 2, the third at 3
    EXPECT_EQ(a.wrapped_streams, 2u);
    EXPECT_EQ(a.first_wrapped_generation, std::optional<std::int32_t>{1});
    EXPECT_EQ(a.outcomes.extinct_fraction, 0.5);
    EXPECT_EQ(a.outcomes.median_extinction_generation, 2.5);
    EXPECT_EQ(a.outcomes.wrapped_fraction, 0.5);
    EXPECT_EQ(a.outcomes.adults_p50, 15);  // 0, 0, 30, 50
    EXPECT_EQ(a.outcomes.adults_mean, 20);
}

TEST(EnsembleAnalysis, NothingDiedOrWrapped) {
    const ensemble_analysis a = analyse_ensemble(hand_runs({{20, 7}, {20, 9}}, {{0, 0}, {0, 0}}));
    EXPECT_EQ(a.extinct_streams, 0u);
    EXPECT_EQ(a.wrapped_streams, 0u);
    EXPECT_FALSE(a.first_wrapped_generation.has_value());
    EXPECT_TRUE(std::isnan(a.outcomes.median_extinction_generation));
    EXPECT_THROW(analyse_ensemble(ensemble_runs{}), error);
}

}  // namespace
}  // namespace zemrath::ensemble
