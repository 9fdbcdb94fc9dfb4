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
