#include "results/svg_plot.hpp"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>

#include "zemrath/real_text.hpp"

namespace zemrath::results {

namespace {

axis_ticks not_drawable() { return {0, 1, 1, false}; }

// How far along the axis a value is, 0 at its low end and 1 at its high
// one. Halving both sides first keeps the difference of ends of opposite
// signs finite and changes no quotient of normal numbers.
double share_along(const axis_ticks& axis, double value) {
    if (!axis.drawable) return 0.5;
    const double share = (value * 0.5 - axis.low * 0.5) / (axis.high * 0.5 - axis.low * 0.5);
    if (std::isnan(share)) return 0.5;
    return std::clamp(share, -1.0, 2.0);
}

// 1, 2 or 5 times a power of ten, at least raw and min_step; 0 when there
// is no such finite step.
double round_step(double raw, double min_step) {
    const double fallback = min_step > 0 && std::isfinite(min_step) ? min_step : 0;
    if (!(raw > 0) || !std::isfinite(raw)) return fallback;
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    if (!(magnitude > 0) || !std::isfinite(magnitude)) return fallback;
    const double scaled = raw / magnitude;
    const double factor = scaled <= 1 ? 1 : scaled <= 2 ? 2 : scaled <= 5 ? 5 : 10;
    const double step = std::max(factor * magnitude, min_step);
    return std::isfinite(step) ? step : 0;
}

// The step that about `ticks` steps from low to high take, where high - low
// may be too large for a double.
double raw_step(double low, double high, int ticks) {
    const double span = high - low;
    return std::isfinite(span) ? span / ticks : high / ticks - low / ticks;
}

// Whether the axis can be drawn: finite ends in order, a step that tells
// its ticks apart at the size of the ends, and not too many ticks.
bool fits(const axis_ticks& axis) {
    if (!std::isfinite(axis.low) || !std::isfinite(axis.high) || !(axis.high > axis.low)) return false;
    if (!(axis.step > 0) || !std::isfinite(axis.step)) return false;
    const double steps = axis.high / axis.step - axis.low / axis.step;
    const double size = std::max(std::fabs(axis.low), std::fabs(axis.high));
    return steps <= most_ticks && axis.step >= size * 1e-12;
}

// Ends rounded past the largest double stay the given ones.
axis_ticks with_finite_ends(axis_ticks axis, double low, double high) {
    if (!std::isfinite(axis.low)) axis.low = low;
    if (!std::isfinite(axis.high)) axis.high = high;
    return axis;
}

}  // namespace

double x_at(const frame& f, double value) { return f.left + share_along(f.x, value) * (f.right - f.left); }

double y_at(const frame& f, double value) { return f.bottom - share_along(f.y, value) * (f.bottom - f.top); }

// Coordinates to a tenth of a pixel keep the file small.
std::string coordinate(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", std::isfinite(value) ? value : 0.0);
    return text;
}

void add_text(std::string& svg, double x, double y, std::string_view content,
              std::string_view attributes) {
    svg += "<text x=\"" + coordinate(x) + "\" y=\"" + coordinate(y) + "\" " +
           std::string(attributes) + ">" + std::string(content) + "</text>\n";
}

void add_line(std::string& svg, double x1, double y1, double x2, double y2, std::string_view colour,
              double width) {
    svg += "<line x1=\"" + coordinate(x1) + "\" y1=\"" + coordinate(y1) + "\" x2=\"" +
           coordinate(x2) + "\" y2=\"" + coordinate(y2) + "\" stroke=\"" + std::string(colour) +
           "\" stroke-width=\"" + coordinate(width) + "\"/>\n";
}

std::string svg_document_start(double width, double height) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
           coordinate(width) + "\" height=\"" + coordinate(height) + "\" viewBox=\"0 0 " + coordinate(width) + " " +
           coordinate(height) + "\" font-family=\"DejaVu Sans, Helvetica, Arial, sans-serif\">\n" +
           "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
}

void add_rectangle(std::string& svg, double x, double y, double width, double height, std::string_view fill,
                   std::string_view attributes) {
    svg += "<rect x=\"" + coordinate(x) + "\" y=\"" + coordinate(y) + "\" width=\"" + coordinate(width) +
           "\" height=\"" + coordinate(height) + "\" fill=\"" + std::string(fill) + "\"";
    if (!attributes.empty()) {
        svg += ' ';
        svg += attributes;
    }
    svg += "/>\n";
}

// Ticks at the multiples of the step inside the axis.
std::vector<double> tick_values(const axis_ticks& axis) {
    std::vector<double> values;
    if (!axis.drawable || !fits(axis)) return values;
    const double first = std::ceil(axis.low / axis.step - 1e-9);
    // Adding 0 turns a negative zero into a plain one, which prints without a sign.
    for (int i = 0; i <= most_ticks; ++i) {
        const double value = (first + i) * axis.step;
        if (!std::isfinite(value) || !(value <= axis.high + axis.step * 1e-9)) break;
        values.push_back(value + 0.0);
    }
    return values;
}

std::string percent_label(double share) {
    const double percent = std::round(share * 100);
    return (std::isfinite(percent) ? real_text(percent) : tick_label(percent)) + "%";
}

void add_axis_note(std::string& svg, const frame& f, bool horizontal) {
    if ((horizontal ? f.x : f.y).drawable) return;
    add_text(svg, (f.left + f.right) / 2, horizontal ? f.bottom - 10 : f.top + 16,
             std::string("The ") + (horizontal ? "horizontal" : "vertical") +
                 " axis cannot be drawn: its values are not all finite, or too close together to tell apart",
             "text-anchor=\"middle\" font-size=\"12\" fill=\"" + std::string(extinct_colour) + "\"");
}

void add_grid(std::string& svg, const frame& f, bool percent_y) {
    for (double v : tick_values(f.y)) {
        const double y = y_at(f, v);
        add_line(svg, f.left, y, f.right, y, grid_colour, 1);
        add_text(svg, f.left - 8, y + 4, percent_y ? percent_label(v) : tick_label(v),
                 "text-anchor=\"end\" font-size=\"12\" fill=\"#333\"");
    }
    for (double v : tick_values(f.x)) {
        const double x = x_at(f, v);
        add_line(svg, x, f.bottom, x, f.bottom + 5, axis_colour, 1);
        add_text(svg, x, f.bottom + 19, tick_label(v), "text-anchor=\"middle\" font-size=\"12\" fill=\"#333\"");
    }
    add_line(svg, f.left, f.top, f.left, f.bottom, axis_colour, 1);
    add_line(svg, f.left, f.bottom, f.right, f.bottom, axis_colour, 1);
    add_axis_note(svg, f, true);
    add_axis_note(svg, f, false);
}

void add_axis_title(std::string& svg, const frame& f, std::string_view title) {
    const double x = 30;
    const double y = (f.top + f.bottom) / 2;
    svg += "<text x=\"" + coordinate(x) + "\" y=\"" + coordinate(y) +
           "\" transform=\"rotate(-90 " + coordinate(x) + " " + coordinate(y) +
           ")\" text-anchor=\"middle\" font-size=\"14\" fill=\"#222\">" + std::string(title) + "</text>\n";
}

void add_legend(std::string& svg, double x, double y, const std::vector<legend_entry>& entries) {
    for (const legend_entry& entry : entries) {
        if (entry.box)
            svg += "<rect x=\"" + coordinate(x) + "\" y=\"" + coordinate(y - 10) +
                   "\" width=\"24\" height=\"12\" fill=\"" + std::string(entry.colour) + "\"/>\n";
        else
            add_line(svg, x, y - 4, x + 24, y - 4, entry.colour, entry.line_width);
        add_text(svg, x + 30, y, entry.label, "font-size=\"13\" fill=\"#222\"");
        // An average glyph of this size is about 7 pixels wide.
        x += 30 + 7.0 * static_cast<double>(entry.label.size()) + 22;
    }
}

// The items joined with middle dots, broken into lines of about `width` characters.
std::vector<std::string> caption_lines(const std::vector<std::string>& items, std::size_t width) {
    std::vector<std::string> lines(1);
    for (const std::string& item : items) {
        if (!lines.back().empty() && lines.back().size() + item.size() + 3 > width) lines.emplace_back();
        if (!lines.back().empty()) lines.back() += " \u00b7 ";
        lines.back() += item;
    }
    return lines;
}

axis_ticks round_axis(double low, double high, int ticks, double min_step) {
    if (!std::isfinite(low) || !std::isfinite(high) || ticks < 1) return not_drawable();
    // The axis runs from 0 or below; ends that are one value span its size.
    const double from = std::min(0.0, low);
    const double lone = std::max({min_step, std::fabs(low), std::fabs(high)});
    const double step = round_step(high > from ? raw_step(from, high, ticks) : lone / ticks, min_step);
    if (step == 0) return not_drawable();
    axis_ticks axis = with_finite_ends({std::min(0.0, std::floor(low / step) * step), std::ceil(high / step) * step, step},
                                       std::min(0.0, low), high);
    if (axis.high <= axis.low) axis.high = axis.low + step;
    return fits(axis) ? axis : not_drawable();
}

axis_ticks value_axis(std::span<const double> values, int ticks) {
    if (values.empty() || ticks < 1) return not_drawable();
    double low = INFINITY, high = -INFINITY;
    for (double value : values) {
        if (!std::isfinite(value)) return not_drawable();
        low = std::min(low, value);
        high = std::max(high, value);
    }
    const double size = std::max(std::fabs(low), std::fabs(high));
    if (!(high - low > size * 1e-9)) {
        if (size <= 1e9) {
            high = low + 1;
        } else {
            // One unit is lost in the size of a value past a billion.
            low = std::max(low - size / 10, -DBL_MAX);
            high = std::min(high + size / 10, DBL_MAX);
        }
    }
    const double step = round_step(raw_step(low, high, ticks), 0);
    if (step == 0) return not_drawable();
    // A little slack, so that 0.3 / 0.1 = 2.9999999999999996 still starts at 0.3.
    const axis_ticks axis = with_finite_ends(
        {std::floor(low / step + 1e-9) * step, std::ceil(high / step - 1e-9) * step, step}, low, high);
    return fits(axis) ? axis : not_drawable();
}

std::string value_label(double value) { return std::isfinite(value) ? real_text(value) : tick_label(value); }

std::string tick_label(double value) {
    if (std::isnan(value)) return "not a number";
    if (std::isinf(value)) return value > 0 ? "\u221e" : "\u2212\u221e";
    const double size = std::fabs(value);
    char text[32];
    if (size >= 1e12)
        std::snprintf(text, sizeof text, "%.3g", value);
    else if (size >= 1e9)
        std::snprintf(text, sizeof text, "%gG", value / 1e9);
    else if (size >= 1e6)
        std::snprintf(text, sizeof text, "%gM", value / 1e6);
    else if (size >= 1e4)
        std::snprintf(text, sizeof text, "%gk", value / 1e3);
    else if (value == std::round(value))
        std::snprintf(text, sizeof text, "%.0f", value);
    else
        std::snprintf(text, sizeof text, "%.2g", value);
    return text;
}

}  // namespace zemrath::results
