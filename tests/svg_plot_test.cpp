// The figures' axes from any double: infinities, NaN, subnormals, huge
// values, zero-width ranges. Every axis ends with few ticks, in order and
// inside it, every place along it is a finite coordinate, and no label or
// coordinate reads "nan" or "inf".
#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <limits>
#include <regex>

#include "results/svg_plot.hpp"

namespace zemrath::results {
namespace {

constexpr double inf = std::numeric_limits<double>::infinity();
const double nan = std::numeric_limits<double>::quiet_NaN();

struct extreme_case {
    const char* name;
    std::vector<double> values;
    bool drawable;  // along an axis just around the values
};

const extreme_case extreme_cases[] = {
    {"1e16 alone", {1e16}, true},
    {"1e16 twice", {1e16, 1e16}, true},
    {"1e16 and its neighbour", {1e16, 1e16 + 2}, true},
    {"infinity", {inf}, false},
    {"minus infinity beside 1", {-inf, 1}, false},
    {"NaN beside 1", {nan, 1}, false},
    {"1e-300 beside 0", {0, 1e-300}, true},
    {"the smallest subnormal beside 0", {0, 5e-324}, false},
    {"the smallest subnormal alone", {5e-324}, true},
    {"1e300 to 1.7e308", {1e300, 1.7e308}, true},
    {"the largest doubles of both signs", {-DBL_MAX, DBL_MAX}, true},
    {"the largest double alone", {DBL_MAX}, true},
    {"equal ends", {0.3, 0.3}, true},
    {"zero", {0}, true},
    {"ordinary values", {0.3, 0.4, 0.5, 0.6}, true},
};

// The checks every axis must pass, drawable or not.
void expect_sound_axis(const axis_ticks& axis) {
    const frame f{100, 900, 50, 450, axis, axis};
    const std::vector<double> ticks = tick_values(axis);
    EXPECT_LE(ticks.size(), static_cast<std::size_t>(most_ticks) + 1);
    if (!axis.drawable) {
        EXPECT_TRUE(ticks.empty());
    }
    for (std::size_t i = 0; i < ticks.size(); ++i) {
        EXPECT_TRUE(std::isfinite(ticks[i]));
        if (i > 0) {
            EXPECT_LT(ticks[i - 1], ticks[i]);
        }
        EXPECT_GE(x_at(f, ticks[i]), f.left - 0.5);
        EXPECT_LE(x_at(f, ticks[i]), f.right + 0.5);
        const std::string label = tick_label(ticks[i]);
        EXPECT_EQ(label.find("inf"), std::string::npos) << label;
        EXPECT_EQ(label.find("nan"), std::string::npos) << label;
    }
    for (double value : {0.0, 1.0, -1.0, 1e16, -1e300, DBL_MAX, -DBL_MAX, 5e-324, inf, -inf, nan}) {
        EXPECT_TRUE(std::isfinite(x_at(f, value))) << value;
        EXPECT_TRUE(std::isfinite(y_at(f, value))) << value;
    }
}

TEST(SvgPlot, ValueAxesOfExtremeValues) {
    for (const extreme_case& c : extreme_cases) {
        SCOPED_TRACE(c.name);
        const axis_ticks axis = value_axis(c.values, 5);
        EXPECT_EQ(axis.drawable, c.drawable);
        expect_sound_axis(axis);
        if (!axis.drawable) continue;
        EXPECT_GE(tick_values(axis).size(), 2u);
        // Every value lies on the axis (give or take the rounding of its
        // ends), so inside the frame.
        for (double value : c.values) {
            EXPECT_LE(axis.low - value, axis.step * 1e-9);
            EXPECT_GE(axis.high - value, -axis.step * 1e-9);
        }
    }
}

TEST(SvgPlot, RoundAxesOfExtremeEnds) {
    for (const extreme_case& c : extreme_cases) {
        SCOPED_TRACE(c.name);
        const double low = c.values.front(), high = c.values.back();
        const axis_ticks axis = round_axis(low, high, 5, 1);
        expect_sound_axis(axis);
        if (std::isfinite(low) && std::isfinite(high)) {
            ASSERT_TRUE(axis.drawable);
            EXPECT_LE(axis.low, std::min(0.0, low));
            EXPECT_GE(axis.high, high);
        }
    }
    // The axes of ordinary figures stay what they were.
    const axis_ticks adults = round_axis(0, 46, 5, 1);
    EXPECT_EQ(adults.low, 0);
    EXPECT_EQ(adults.high, 50);
    EXPECT_EQ(adults.step, 10);
    // Around ordinary values, as the figures always placed them: a round
    // step for a fifth of the range, the ends at its multiples.
    const std::vector<std::vector<double>> ordinary = {
        {0.3, 0.4, 0.5, 0.6}, {100, 400, 1600}, {0.3}, {2, 3, 5, 8}, {-1, 0.25}, {1e-6, 3e-6}};
    for (const std::vector<double>& values : ordinary) {
        const auto [low, high] = std::minmax_element(values.begin(), values.end());
        const double end = *high > *low ? *high : *low + 1;
        const double step = round_axis(0, end - *low, 5, 1e-12).step;
        const axis_ticks axis = value_axis(values, 5);
        EXPECT_EQ(axis.step, step);
        EXPECT_EQ(axis.low, std::floor(*low / step + 1e-9) * step);
        EXPECT_EQ(axis.high, std::ceil(end / step - 1e-9) * step);
    }
}

TEST(SvgPlot, LabelsAndCoordinatesNeverReadNanOrInf) {
    const std::regex bad("\\b-?(nan|inf)\\b", std::regex::icase);
    for (double value : {inf, -inf, nan, -nan, DBL_MAX, 5e-324, 1e16, -1e300}) {
        for (const std::string& text : {tick_label(value), value_label(value), percent_label(value), coordinate(value)})
            EXPECT_FALSE(std::regex_search(text, bad)) << text << " for " << value;
    }
    EXPECT_EQ(tick_label(1e16), "1e+16");
    EXPECT_EQ(tick_label(12000), "12k");
    EXPECT_EQ(value_label(0.1), "0.1");
}

// Whether a label reads as a plain number: digits, a sign, a point and a
// k, M or G, no exponent.
bool is_plain_number(const std::string& label) {
    return std::regex_match(label, std::regex("-?[0-9]+(\\.[0-9]+)?[kMG]?"));
}

TEST(SvgPlot, LogAxesTickAtRoundValues) {
    struct case_t {
        const char* name;
        std::vector<double> values;
        std::vector<double> ticks;
    };
    const case_t cases[] = {
        {"a log grid from 50 to 3200", {50, 100, 200, 400, 800, 1600, 3200}, {50, 100, 200, 500, 1000, 2000}},
        {"samples over 110 to 3190", {110, 3190, 870}, {200, 500, 1000, 2000}},
        {"six decades", {1e-3, 1e3}, {0.001, 0.01, 0.1, 1, 10, 100, 1000}},
        {"ten decades", {10, 1e5, 1e11}, {100, 1e4, 1e6, 1e8, 1e10}},  // every second power of ten
        {"within a factor of 2.3", {210, 480}, {300, 400}},
        {"within a factor of 1.5", {100, 150}, {100, 110, 120, 130, 140, 150}},
        {"shares of a probability", {0.013, 0.8}, {0.02, 0.05, 0.1, 0.2, 0.5}},
    };
    for (const case_t& c : cases) {
        SCOPED_TRACE(c.name);
        const axis_ticks axis = log_axis(c.values, 5);
        ASSERT_TRUE(axis.drawable && axis.logarithmic);
        EXPECT_EQ(tick_values(axis), c.ticks);
        const frame f{100, 900, 50, 450, axis, axis};
        for (double tick : tick_values(axis)) EXPECT_TRUE(is_plain_number(tick_label(tick))) << tick_label(tick);
        // Each value where its logarithm is, the ends at the frame's edges.
        const auto [low, high] = std::minmax_element(c.values.begin(), c.values.end());
        EXPECT_DOUBLE_EQ(x_at(f, *low), 100);
        EXPECT_DOUBLE_EQ(x_at(f, *high), 900);
        const double middle = std::sqrt(*low * *high);
        EXPECT_NEAR(x_at(f, middle), 500, 1e-9);
    }
    // Over hundreds of decades: few ticks, every one a power of ten.
    const axis_ticks wide = log_axis(std::vector<double>{1e-300, 1e300}, 5);
    EXPECT_GE(tick_values(wide).size(), 2u);
    EXPECT_LE(tick_values(wide).size(), 10u);
    for (double tick : tick_values(wide)) EXPECT_NEAR(std::log10(tick), std::round(std::log10(tick)), 1e-9) << tick;
    // What no log axis holds gets a linear one (or none).
    EXPECT_FALSE(log_axis(std::vector<double>{0, 10}, 5).logarithmic);
    EXPECT_FALSE(log_axis(std::vector<double>{-5, 10}, 5).logarithmic);
    EXPECT_FALSE(log_axis(std::vector<double>{7, 7}, 5).logarithmic);
    EXPECT_FALSE(log_axis(std::vector<double>{1, inf}, 5).drawable);
    EXPECT_FALSE(log_axis(std::vector<double>{nan, 1}, 5).drawable);
    // A value at or below 0 on a log axis sits at its low end, NaN in the middle.
    const frame f{100, 900, 50, 450, log_axis(std::vector<double>{1, 100}, 5), {}};
    EXPECT_EQ(x_at(f, 0), 100);
    EXPECT_EQ(x_at(f, -3), 100);
    EXPECT_EQ(x_at(f, nan), 500);
}

TEST(SvgPlot, TicksAndValuesArePlainNumbers) {
    const std::pair<double, const char*> ticks[] = {
        {50, "50"},         {800.0000000000006, "800"}, {0.1 * 3, "0.3"},   {0.35, "0.35"},    {0.125, "0.125"},
        {0.00005, "0.00005"}, {2000, "2000"},         {5000, "5000"},   {10000, "10k"},    {12500, "12.5k"},
        {320.00000000000006, "320"}, {999999, "999.999k"}, {-0.2, "-0.2"}, {1e6, "1M"},    {2.5e9, "2.5G"},
        {1e12, "1e+12"},     {1.5e-7, "1.5e-07"},
    };
    for (const auto& [value, label] : ticks) EXPECT_EQ(tick_label(value), label) << value;
    const std::pair<double, const char*> values[] = {
        {800, "800"},      {0.013, "0.013"},   {12345, "12.345k"},   {1234567, "1.234567M"},
        {1e6, "1M"},       {3.2e2, "320"},     {0.30000000000000004, "0.30000000000000004"},
        {1e20, "1e+20"},   {-12.5, "-12.5"},   {123456.7, "123.4567k"},
    };
    for (const auto& [value, label] : values) EXPECT_EQ(value_label(value), label) << value;
    // Whatever the round step, a tick below a million never has an exponent.
    for (const std::vector<double>& range : std::vector<std::vector<double>>{
             {0, 0.00042}, {0.3, 0.6}, {50, 3200}, {0, 999999}, {-1e5, 1e5}, {0.013, 0.0131}})
        for (double tick : tick_values(value_axis(range, 5))) EXPECT_TRUE(is_plain_number(tick_label(tick))) << tick;
}

TEST(SvgPlot, SharesWithThePrecisionTheyNeed) {
    const std::pair<double, const char*> shares[] = {
        {0, "0%"},          {0.0004, "<0.1%"},  {0.0009999, "<0.1%"}, {0.001, "0.1%"},   {0.003, "0.3%"},
        {0.25, "25%"},      {0.315, "31.5%"},   {0.999, "99.9%"},     {0.9995, ">99.9%"}, {0.99999, ">99.9%"},
        {1, "100%"},        {nan, "missing"},
    };
    for (const auto& [share, label] : shares) EXPECT_EQ(share_label(share), label) << share;
    // Ticks of shares in percent, to the precision of their step.
    EXPECT_EQ(percent_label(0.25), "25%");
    EXPECT_EQ(percent_label(0.07), "7%");
    EXPECT_EQ(percent_label(0.001), "0.1%");
    EXPECT_EQ(percent_label(1), "100%");
}

TEST(SvgPlot, LongTitlesAreWrappedAtBlanks) {
    EXPECT_EQ(wrapped_words("Maximum juvenile survival rate in absence of competition", 24),
              (std::vector<std::string>{"Maximum juvenile", "survival rate in absence", "of competition"}));
    EXPECT_EQ(wrapped_words("short", 24), (std::vector<std::string>{"short"}));
    EXPECT_EQ(wrapped_words("", 24), (std::vector<std::string>{}));
    EXPECT_EQ(wrapped_words("a-word-longer-than-the-line x", 5),
              (std::vector<std::string>{"a-word-longer-than-the-line", "x"}));
    std::string svg;
    add_axis_title(svg, {100, 900, 50, 150, {}, {}}, "Maximum juvenile survival rate in absence of competition");
    EXPECT_GE(std::count(svg.begin(), svg.end(), '\n'), 2) << svg;
}

TEST(SvgPlot, AnAxisThatCannotBeDrawnIsSaidSo) {
    std::string drawable, not_drawable;
    add_grid(drawable, {100, 900, 50, 450, value_axis(std::vector<double>{1, 2}, 5), round_axis(0, 10, 5, 1)}, false);
    add_grid(not_drawable, {100, 900, 50, 450, value_axis(std::vector<double>{1, inf}, 5), round_axis(0, 10, 5, 1)}, false);
    EXPECT_EQ(drawable.find("cannot be drawn"), std::string::npos);
    EXPECT_NE(not_drawable.find("The horizontal axis cannot be drawn"), std::string::npos) << not_drawable;
    EXPECT_EQ(not_drawable.find("vertical axis cannot"), std::string::npos);
}

}  // namespace
}  // namespace zemrath::results
