#include "results/svg_plot.hpp"

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "zemrath/real_text.hpp"

namespace zemrath::results {

namespace {

axis_ticks not_drawable() { return {0, 1, 1, false}; }

// How far along the axis a value is, 0 at its low end and 1 at its high
// one. Halving both sides first keeps the difference of ends of opposite
// signs finite and changes no quotient of normal numbers.
double share_along(const axis_ticks& axis, double value) {
    if (!axis.drawable) return 0.5;
    if (axis.logarithmic && !(value > 0)) return std::isnan(value) ? 0.5 : 0;
    const double share = axis.logarithmic
                             ? (std::log10(value) - std::log10(axis.low)) / (std::log10(axis.high) - std::log10(axis.low))
                             : (value * 0.5 - axis.low * 0.5) / (axis.high * 0.5 - axis.low * 0.5);
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

// Ticks at the multiples of the step inside the axis, or at its marks.
std::vector<double> tick_values(const axis_ticks& axis) {
    std::vector<double> values;
    if (axis.drawable && axis.logarithmic) return axis.marks;
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

std::string percent_label(double share) { return tick_label(share * 100) + "%"; }

std::string share_label(double share) {
    if (std::isnan(share)) return "missing";
    if (share == 0 || share == 1 || !std::isfinite(share)) return tick_label(share * 100) + "%";
    if (share > 0 && share < 0.001) return "<0.1%";
    if (share > 0.999 && share < 1) return ">99.9%";
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", share * 100);
    std::string percent = text;
    if (percent.ends_with(".0")) percent.resize(percent.size() - 2);
    // Rounding never takes a share just inside 0 or 1 to either.
    if (percent == "0") return "<0.1%";
    if (percent == "100") return ">99.9%";
    return percent + "%";
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

namespace {

// An average glyph of a font size of 14 is about 7.5 pixels wide.
constexpr double title_glyph_width = 7.5;
constexpr double title_line_height = 17;

std::size_t characters_in(double pixels) {
    return static_cast<std::size_t>(std::max(8.0, pixels / title_glyph_width));
}

}  // namespace

void add_axis_title(std::string& svg, const frame& f, std::string_view title) {
    const std::vector<std::string> lines = wrapped_words(title, characters_in(f.bottom - f.top));
    const double y = (f.top + f.bottom) / 2;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        // One line stands where a title always stood; more start further out.
        const double x = 30 - title_line_height * static_cast<double>(lines.size() - 1 - i) / 2 +
                         title_line_height * static_cast<double>(i) / 2;
        svg += "<text x=\"" + coordinate(x) + "\" y=\"" + coordinate(y) + "\" transform=\"rotate(-90 " +
               coordinate(x) + " " + coordinate(y) + ")\" text-anchor=\"middle\" font-size=\"14\" fill=\"#222\">" +
               lines[i] + "</text>\n";
    }
}

void add_x_axis_title(std::string& svg, const frame& f, double y, std::string_view title) {
    add_text_lines(svg, (f.left + f.right) / 2, y, wrapped_words(title, characters_in(f.right - f.left)),
                   title_line_height, "text-anchor=\"middle\" font-size=\"14\" fill=\"#222\"");
}

std::vector<std::string> wrapped_words(std::string_view text, std::size_t width) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = std::min(text.find(' ', start), text.size());
        const std::string_view word = text.substr(start, end - start);
        if (!word.empty()) {
            if (lines.empty() || lines.back().size() + 1 + word.size() > width) {
                lines.emplace_back(word);
            } else {
                lines.back().push_back(' ');
                lines.back().append(word);
            }
        }
        start = end + 1;
    }
    return lines;
}

void add_text_lines(std::string& svg, double x, double y, const std::vector<std::string>& lines, double spacing,
                    std::string_view attributes) {
    for (std::size_t i = 0; i < lines.size(); ++i)
        add_text(svg, x, y + spacing * static_cast<double>(i), lines[i], attributes);
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

namespace {

// The value rounded to 12 significant digits: ticks at multiples of a step
// carry the step's rounding error in their last digits (3 x 0.1 is
// 0.30000000000000004), which no label should show.
double to_12_digits(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.12g", value);
    return std::strtod(text, nullptr) + 0.0;  // + 0.0: a negative zero has no sign to show
}

// The shortest decimal digits that read back to the value, in plain
// notation, with the decimal point moved `shift` places to the left (3 for
// thousands): the digits are the value's own, never those of a quotient.
std::string plain_digits(double value, int shift) {
    char text[40];
    const auto written = std::to_chars(text, text + sizeof text, std::fabs(value), std::chars_format::scientific);
    const std::string_view scientific(text, static_cast<std::size_t>(written.ptr - text));
    const std::size_t e = scientific.find('e');
    std::string digits;
    for (char c : scientific.substr(0, e))
        if (c != '.') digits += c;
    int exponent = 0;
    std::from_chars(scientific.data() + e + 1 + (scientific[e + 1] == '+' ? 1 : 0), scientific.data() + scientific.size(),
                    exponent);
    exponent -= shift;
    // The digits before the decimal point: exponent + 1 of them, padded
    // with zeros on either side as the exponent asks.
    std::string plain(value < 0 ? "-" : "");
    if (exponent < 0) {
        plain.append("0.");
        plain.append(static_cast<std::size_t>(-exponent - 1), '0');
        plain.append(digits);
    } else if (static_cast<std::size_t>(exponent) + 1 >= digits.size()) {
        plain.append(digits);
        plain.append(static_cast<std::size_t>(exponent) + 1 - digits.size(), '0');
    } else {
        const auto point = static_cast<std::size_t>(exponent) + 1;
        plain.append(digits, 0, point);
        plain.push_back('.');
        plain.append(digits, point);
    }
    return plain;
}

// A finite value as a plain number, with k, M or G from 10^4 on and an
// exponent from 10^12 on or below a millionth.
std::string plain_number(double value) {
    const double size = std::fabs(value);
    if (value == 0) return "0";
    if (size >= 1e12 || size < 1e-6) return real_text(value);
    if (size >= 1e9) return plain_digits(value, 9) + "G";
    if (size >= 1e6) return plain_digits(value, 6) + "M";
    if (size >= 1e4) return plain_digits(value, 3) + "k";
    return plain_digits(value, 0);
}

// The infinities as signs and NaN in words.
std::string not_finite_label(double value) {
    if (std::isnan(value)) return "not a number";
    return value > 0 ? "\u221e" : "\u2212\u221e";
}

// Plain numbers to try as the marks of a log axis, with every mantissa
// given times the powers of ten from 10^first to 10^last in steps of
// `stride`, those inside low to high kept.
std::vector<double> log_marks(double low, double high, std::initializer_list<int> mantissas, int first, int last,
                              int stride) {
    std::vector<double> marks;
    const int start = first - ((first % stride) + stride) % stride;
    for (int power = start; power <= last && marks.size() <= static_cast<std::size_t>(most_ticks); power += stride)
        for (int mantissa : mantissas) {
            char text[32];
            std::snprintf(text, sizeof text, "%de%d", mantissa, power);
            const double mark = std::strtod(text, nullptr);
            if (mark >= low * (1 - 1e-12) && mark <= high * (1 + 1e-12)) marks.push_back(mark);
        }
    return marks;
}

// Round steps between low and high, for a log axis over too short a span
// for the round values of its decades.
std::vector<double> linear_marks(double low, double high, int ticks) {
    const double step = round_step((high - low) / ticks, 0);
    std::vector<double> marks;
    if (step == 0) return marks;
    for (double k = std::ceil(low / step - 1e-9); marks.size() <= static_cast<std::size_t>(most_ticks); ++k) {
        const double mark = to_12_digits(k * step);
        if (mark > high * (1 + 1e-12)) break;
        marks.push_back(mark);
    }
    return marks;
}

}  // namespace

std::string value_label(double value) { return std::isfinite(value) ? plain_number(value) : not_finite_label(value); }

std::string tick_label(double value) {
    if (!std::isfinite(value)) return not_finite_label(value);
    const double size = std::fabs(value);
    if (size >= 1e12) {
        char text[32];
        std::snprintf(text, sizeof text, "%.3g", value);
        return text;
    }
    return plain_number(to_12_digits(value));
}

axis_ticks log_axis(std::span<const double> values, int ticks) {
    if (values.empty() || ticks < 1) return value_axis(values, ticks);
    double low = INFINITY, high = 0;
    for (double value : values) {
        if (!(value > 0) || !std::isfinite(value)) return value_axis(values, ticks);
        low = std::min(low, value);
        high = std::max(high, value);
    }
    if (!(high > low * (1 + 1e-9))) return value_axis(values, ticks);
    const int first = static_cast<int>(std::floor(std::log10(low)));
    const int last = static_cast<int>(std::ceil(std::log10(high)));
    const auto many = [ticks](const std::vector<double>& marks) { return marks.size() > 2 * static_cast<std::size_t>(ticks); };
    std::vector<double> marks = log_marks(low, high, {1, 2, 5}, first, last, 1);
    if (many(marks)) {
        // Powers of ten alone, every `stride` decades: 1, 2, 5, 10, 20, ...
        for (int stride = 1; stride <= last - first + 1; stride = static_cast<int>(round_step(stride + 0.5, 1))) {
            marks = log_marks(low, high, {1}, first, last, stride);
            if (!many(marks)) break;
        }
    } else if (marks.size() < 2) {
        marks = log_marks(low, high, {1, 2, 3, 4, 5, 6, 7, 8, 9}, first, last, 1);
        if (marks.size() < 2) marks = linear_marks(low, high, ticks);
    }
    axis_ticks axis{low, high, 0, true, true, std::move(marks)};
    return axis;
}

}  // namespace zemrath::results
