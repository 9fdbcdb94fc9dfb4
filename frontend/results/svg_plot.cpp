#include "results/svg_plot.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "zemrath/real_text.hpp"

namespace zemrath::results {

double x_at(const frame& f, double value) {
    return f.left + (value - f.x.low) / (f.x.high - f.x.low) * (f.right - f.left);
}

double y_at(const frame& f, double value) {
    return f.bottom - (value - f.y.low) / (f.y.high - f.y.low) * (f.bottom - f.top);
}

// Coordinates to a tenth of a pixel keep the file small.
std::string coordinate(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
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
    const double first = std::ceil(axis.low / axis.step - 1e-9);
    // Adding 0 turns a negative zero into a plain one, which prints without a sign.
    for (double k = first; k * axis.step <= axis.high + axis.step * 1e-9; ++k)
        values.push_back(k * axis.step + 0.0);
    return values;
}

std::string percent_label(double share) { return real_text(std::round(share * 100)) + "%"; }

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
    const double span = high > low ? high - low : min_step;
    const double raw = span / ticks;
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    const double scaled = raw / magnitude;
    const double factor = scaled <= 1 ? 1 : scaled <= 2 ? 2 : scaled <= 5 ? 5 : 10;
    const double step = std::max(factor * magnitude, min_step);
    axis_ticks axis{std::min(0.0, std::floor(low / step) * step), std::ceil(high / step) * step, step};
    if (axis.high <= axis.low) axis.high = axis.low + step;
    return axis;
}

std::string tick_label(double value) {
    const double size = std::fabs(value);
    char text[32];
    if (size >= 1e9)
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
