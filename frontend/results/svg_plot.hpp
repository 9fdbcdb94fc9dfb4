// Plotting in SVG: the few primitives the tools' figures are drawn with,
// so that every figure of the project shares its look (fonts, colours,
// axes of round numbers, grids, legends).
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zemrath::results {

inline constexpr std::string_view extinct_colour = "#b2182b";
inline constexpr std::string_view grid_colour = "#e3e3e3";
inline constexpr std::string_view axis_colour = "#444444";

// An axis from low to high with ticks at the multiples of step between
// them, or, on a log axis, at the marks listed. Every routine here takes
// any double, infinities, NaN and subnormals included, and ends in a
// bounded number of steps: values that no axis can hold (not finite, or
// too close together for their size to be told apart) give an axis that is
// not drawable, along which everything sits in the middle and which the
// figure says cannot be drawn.
struct axis_ticks {
    double low = 0;
    double high = 0;
    double step = 0;
    bool drawable = true;
    // A log axis places a value by its logarithm (one at or below 0 at its
    // low end) and has its ticks at the marks, in order, inside it.
    bool logarithmic = false;
    std::vector<double> marks{};
};

// The most ticks an axis has.
inline constexpr int most_ticks = 100;

// An axis of round numbers: 0 or below, up to at least `high`, in steps of
// 1, 2 or 5 times a power of ten (at least min_step), about `ticks` steps.
// An end that would round past the largest double stays where it is.
axis_ticks round_axis(double low, double high, int ticks, double min_step);

// An axis just around the values, from the multiple of a round step at or
// below the lowest to the one at or above the highest, about `ticks` steps.
// A lone value (or values too close to tell apart) gets an axis one unit
// wide, or, where one unit is lost in its size, a tenth of its size on
// either side. Not drawable when there is no value or one is not finite.
axis_ticks value_axis(std::span<const double> values, int ticks);

// An axis over positive values on a log scale, from the lowest to the
// highest, with ticks at round values: 1, 2 and 5 times the powers of ten
// inside it (50, 100, 200, 500, 1000, 2000 from 50 to 3200), only the
// powers of ten (or every second, fifth, ... one) over many decades, every
// whole multiple of the powers of ten, or round steps, over a short span;
// about `ticks` of them, at least 2. Values that are not all positive and
// finite, or too close together, get the linear value_axis instead.
axis_ticks log_axis(std::span<const double> values, int ticks);

// A tick label, as a plain number: whole numbers as they are up to 9999,
// then with k, M or G ("12k", "1.5M") and from 10^12 on with an exponent
// ("1e+16"); fractions with the decimals they have, to 12 significant
// digits, so a tick at 3 x 0.1 reads "0.3", and down to a millionth without
// an exponent ("0.00005"); the infinities as signs and NaN in words, never
// as "inf" or "nan".
std::string tick_label(double value);

// A value as a label beside a mark: the shortest text that reads back to
// it, as a plain number as tick_label writes one ("800", "12.345k",
// "1.234567M"), the infinities and NaN as tick_label writes them.
std::string value_label(double value);

// A plot area and the values at its edges; ticks at multiples of each step.
struct frame {
    double left, right, top, bottom;
    axis_ticks x, y;
};

// Where a value sits in the frame: always a finite coordinate, within one
// frame's width or height of the frame; the middle along an axis that is
// not drawable, or for NaN.
double x_at(const frame& f, double value);
double y_at(const frame& f, double value);

// Coordinates to a tenth of a pixel keep the files small. Never "nan" or
// "inf": a coordinate that is not finite is written as 0.
std::string coordinate(double value);

// The XML prologue, the svg element and a white page.
std::string svg_document_start(double width, double height);

void add_text(std::string& svg, double x, double y, std::string_view content, std::string_view attributes);
void add_line(std::string& svg, double x1, double y1, double x2, double y2, std::string_view colour, double width);
void add_rectangle(std::string& svg, double x, double y, double width, double height, std::string_view fill,
                   std::string_view attributes = {});

// Ticks at the multiples of the step inside the axis, most_ticks + 1 at
// most; none along an axis that is not drawable.
std::vector<double> tick_values(const axis_ticks& axis);

// A tick of an axis of shares, in percent: "25%" for 0.25, "0.1%" for 0.001.
std::string percent_label(double share);

// A share of streams as a person reads it, with the precision it needs:
// "0%" and "100%" only when it is exactly so, "<0.1%" and ">99.9%" just
// inside them, one decimal otherwise ("0.3%", "31.5%", "99.9%"); "missing"
// for not a number.
std::string share_label(double share);

// Horizontal grid lines with labels on the left, ticks below, and the two
// axis lines. percent_y labels the y axis as shares. An axis that is not
// drawable is said so (add_axis_note).
void add_grid(std::string& svg, const frame& f, bool percent_y);

// A line of text inside the frame, when its horizontal (or else its
// vertical) axis is not drawable, saying that its values cannot be drawn.
void add_axis_note(std::string& svg, const frame& f, bool horizontal);

// A title along the left of the frame, in as many lines as its height
// needs, centred where a title of one line stands.
void add_axis_title(std::string& svg, const frame& f, std::string_view title);

// A title centred under the frame from y on, in as many lines as its width
// needs.
void add_x_axis_title(std::string& svg, const frame& f, double y, std::string_view title);

// The words of the text in lines of at most about `width` characters,
// broken at blanks (a word longer than that has a line of its own).
std::vector<std::string> wrapped_words(std::string_view text, std::size_t width);

// Lines of text one under the other from (x, y), `spacing` apart.
void add_text_lines(std::string& svg, double x, double y, const std::vector<std::string>& lines, double spacing,
                    std::string_view attributes);

// The legend entries in one row from x; a swatch is a filled box or a line.
struct legend_entry {
    std::string_view colour;
    bool box;
    double line_width;
    std::string label;
};
void add_legend(std::string& svg, double x, double y, const std::vector<legend_entry>& entries);

// The items joined with middle dots, broken into lines of about `width`
// characters.
std::vector<std::string> caption_lines(const std::vector<std::string>& items, std::size_t width);

}  // namespace zemrath::results
