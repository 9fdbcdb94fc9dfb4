#include "sweep/sweep_svg.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <array>
#include <limits>
#include <numeric>

#include "results/svg_plot.hpp"
#include "text/figure_words.hpp"
#include "zemrath/seed_list.hpp"
#include "zemrath/sweep_analysis.hpp"

namespace zemrath::sweep {

namespace {

using namespace zemrath::results;

constexpr double page_width = 960;
constexpr double plot_left = 110;
constexpr double plot_right = 900;
constexpr std::string_view band_colour = "#c6dbef";
constexpr std::string_view median_colour = "#08306b";
constexpr std::string_view first_order_colour = "#6baed6";
constexpr std::string_view total_order_colour = "#08306b";
constexpr std::string_view missing_colour = "#eeeeee";
constexpr std::string_view text_style = "font-size=\"12\" fill=\"#333\"";

// What the figure draws and where its words come from.
struct figure {
    const experiment& plan;
    std::span<const parameter_set> points;
    const sweep_analysis& analysis;
    const figure_choice& choice;
};

std::string_view outcome_name(const figure& f) { return outcome_columns[f.choice.outcome].name; }

double outcome_of(const figure& f, std::size_t point) {
    return f.analysis.outcomes[point].*outcome_columns[f.choice.outcome].field;
}

bool is_share(const figure& f) { return text::outcome_is_share(outcome_name(f)); }

std::string lower_first(std::string text) {
    if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z') text[0] = static_cast<char>(text[0] - 'A' + 'a');
    return text;
}

// "generation 50": the one asked for, or the last of the points.
std::string generation_shown(const figure& f) {
    if (f.choice.generation) return "generation " + std::to_string(*f.choice.generation);
    std::int32_t lowest = INT32_MAX, highest = 0;
    for (const parameter_set& p : f.points) {
        lowest = std::min(lowest, std::max(p.generations, 0));
        highest = std::max(highest, std::max(p.generations, 0));
    }
    return text::generation_words(f.points.empty() ? 0 : lowest, highest);
}

// "Share of streams extinct at generation 50".
std::string outcome_at_generation(const figure& f) {
    return text::outcome_title(outcome_name(f)) + " at " + generation_shown(f);
}

std::size_t answer_of(const figure& f, std::size_t j) { return f.plan.design.varied[j].answer; }

double parameter_of(const figure& f, std::size_t j, std::size_t point) {
    return answer_value(f.points[point], answer_of(f, j));
}

bool on_log_scale(const figure& f, std::size_t j) {
    const varied_parameter& v = f.plan.design.varied[j];
    return v.values.empty() && v.scale == value_scale::log;
}

std::string parameter_axis_title(const figure& f, std::size_t j) {
    return text::parameter_title(answer_of(f, j)) + (on_log_scale(f, j) ? ", log scale" : "");
}

// An axis over a parameter's values, on its own scale.
axis_ticks parameter_axis(const figure& f, std::size_t j) {
    std::vector<double> values;
    for (std::size_t p = 0; p < f.points.size(); ++p) values.push_back(parameter_of(f, j, p));
    return on_log_scale(f, j) ? log_axis(values, 5) : value_axis(values, 5);
}

// An axis over the outcome's values: shares from 0 to 1, anything else
// from 0 or below to a round number past the highest.
axis_ticks outcome_axis(const figure& f, int ticks) {
    if (is_share(f)) return {0, 1, 0.25};
    double low = 0, high = 0;
    for (std::size_t p = 0; p < f.points.size(); ++p)
        if (std::isfinite(outcome_of(f, p))) low = std::min(low, outcome_of(f, p)), high = std::max(high, outcome_of(f, p));
    return round_axis(low, high, ticks, 1);
}

// The outcome as a label in a cell: a share as a person reads it, anything
// else to three significant digits.
std::string outcome_label(const figure& f, double value) {
    if (std::isnan(value)) return "missing";
    if (is_share(f)) return share_label(value);
    if (!std::isfinite(value) || value == 0) return tick_label(value);
    char text[32];
    std::snprintf(text, sizeof text, "%.3g", value);
    return tick_label(std::strtod(text, nullptr));
}

void add_parameter_ticks(std::string& svg, const frame& fr) {
    for (double x : tick_values(fr.x)) {
        add_line(svg, x_at(fr, x), fr.bottom, x_at(fr, x), fr.bottom + 5, axis_colour, 1);
        add_text(svg, x_at(fr, x), fr.bottom + 19, tick_label(x), "text-anchor=\"middle\" font-size=\"12\" fill=\"#333\"");
    }
    add_axis_note(svg, fr, true);
}

// The y grid and axis lines of a frame, without x labels.
void add_y_grid(std::string& svg, const frame& fr, bool percent) {
    for (double v : tick_values(fr.y)) {
        add_line(svg, fr.left, y_at(fr, v), fr.right, y_at(fr, v), grid_colour, 1);
        add_text(svg, fr.left - 8, y_at(fr, v) + 4, percent ? percent_label(v) : tick_label(v),
                 "text-anchor=\"end\" font-size=\"12\" fill=\"#333\"");
    }
    add_line(svg, fr.left, fr.top, fr.left, fr.bottom, axis_colour, 1);
    add_line(svg, fr.left, fr.bottom, fr.right, fr.bottom, axis_colour, 1);
    add_axis_note(svg, fr, false);
}

void add_heading(std::string& svg, const figure& f, const std::string& title) {
    add_text(svg, plot_left, 36, title, "font-size=\"20\" font-weight=\"bold\" fill=\"#111\"");
    add_text(svg, plot_left, 58,
             "zemrath-sweep: " + std::to_string(f.points.size()) + " points (" +
                 std::string(design_kind_name(f.plan.design.kind)) + "), seeds " + format_seed_list(f.plan.seeds) +
                 " at every point",
             "font-size=\"13\" fill=\"#555\"");
}

// Points in the order of one parameter's value, those for which `shown`
// holds.
template <typename Shown>
std::vector<std::size_t> ordered_by(const figure& f, std::size_t j, Shown shown) {
    std::vector<std::size_t> order;
    for (std::size_t p = 0; p < f.points.size(); ++p)
        if (shown(p)) order.push_back(p);
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return parameter_of(f, j, a) < parameter_of(f, j, b); });
    return order;
}

template <typename Value>
std::string polyline_points(const figure& f, const frame& fr, const std::vector<std::size_t>& order, Value value) {
    std::string text;
    for (std::size_t p : order)
        text += coordinate(x_at(fr, parameter_of(f, 0, p))) + "," + coordinate(y_at(fr, value(p))) + " ";
    return text;
}

std::string one_parameter_figure(const figure& f) {
    const std::span<const point_outcomes> outcomes = f.analysis.outcomes;
    const auto adults_known = [&](std::size_t p) {
        return std::isfinite(outcomes[p].adults_p5) && std::isfinite(outcomes[p].adults_p50) &&
               std::isfinite(outcomes[p].adults_p95);
    };
    const std::vector<std::size_t> band_order = ordered_by(f, 0, adults_known);
    const std::vector<std::size_t> outcome_order = ordered_by(f, 0, [&](std::size_t p) { return !std::isnan(outcome_of(f, p)); });
    double high = 0;
    for (std::size_t p : band_order) high = std::max(high, outcomes[p].adults_p95);
    const axis_ticks x = parameter_axis(f, 0);
    const frame adults{plot_left, plot_right, 104, 384, x, round_axis(0, high, 5, 1)};
    const frame lower{plot_left, plot_right, 452, 612, x, outcome_axis(f, 4)};
    const std::string outcome = lower_first(text::outcome_title(outcome_name(f)));
    std::string svg = svg_document_start(page_width, 700);
    add_heading(svg, f, "Adults and " + outcome + " at " + generation_shown(f));
    add_legend(svg, plot_left, 86,
               {{band_colour, true, 0, "adults, 5th\u201395th percentile of the streams"},
                {median_colour, false, 2.5, "median"},
                {extinct_colour, false, 2, outcome}});

    add_y_grid(svg, adults, false);
    std::string band = polyline_points(f, adults, band_order, [&](std::size_t p) { return outcomes[p].adults_p95; });
    const std::vector<std::size_t> backwards(band_order.rbegin(), band_order.rend());
    band += polyline_points(f, adults, backwards, [&](std::size_t p) { return outcomes[p].adults_p5; });
    svg += "<polygon points=\"" + band + "\" fill=\"" + std::string(band_colour) + "\" stroke=\"none\"/>\n";
    svg += "<polyline points=\"" +
           polyline_points(f, adults, band_order, [&](std::size_t p) { return outcomes[p].adults_p50; }) +
           "\" fill=\"none\" stroke=\"" + std::string(median_colour) + "\" stroke-width=\"2.5\"/>\n";
    add_axis_title(svg, adults, "Adults");

    add_y_grid(svg, lower, is_share(f));
    svg += "<polyline points=\"" + polyline_points(f, lower, outcome_order, [&](std::size_t p) { return outcome_of(f, p); }) +
           "\" fill=\"none\" stroke=\"" + std::string(extinct_colour) + "\" stroke-width=\"2\"/>\n";
    for (std::size_t p : outcome_order)
        svg += "<circle cx=\"" + coordinate(x_at(lower, parameter_of(f, 0, p))) + "\" cy=\"" +
               coordinate(y_at(lower, outcome_of(f, p))) + "\" r=\"3\" fill=\"" + std::string(extinct_colour) + "\"/>\n";
    add_parameter_ticks(svg, lower);
    add_axis_title(svg, lower, text::outcome_axis_title(outcome_name(f)));
    add_x_axis_title(svg, lower, 652, parameter_axis_title(f, 0));
    return svg + "</svg>\n";
}

// The colours at the high end of a heat map's scale: that of extinction for
// shares, that of the adults for counts.
struct full_colour {
    int red, green, blue;
};
constexpr full_colour share_full{0xb2, 0x18, 0x2b};
constexpr full_colour count_full{0x08, 0x51, 0x9c};

// From white at the low end of the scale to the full colour at its high
// end; grey for a missing value.
std::string scale_colour(double value, double low, double high, full_colour full) {
    if (std::isnan(value)) return std::string(missing_colour);
    const double s = high > low ? std::clamp((value - low) / (high - low), 0.0, 1.0) : value >= high ? 1.0 : 0.0;
    const auto mix = [s](int white, int to) { return static_cast<int>(std::lround(white + s * (to - white))); };
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", mix(255, full.red), mix(255, full.green), mix(255, full.blue));
    return text;
}

std::string heat_map_figure(const figure& f) {
    const std::vector<double> rows = parameter_values(f.plan.design.varied[0]);
    const std::vector<double> columns = parameter_values(f.plan.design.varied[1]);
    // A share runs over 0 to 1; anything else over the values it takes.
    double low = 0, high = 1;
    if (!is_share(f)) {
        low = INFINITY, high = -INFINITY;
        for (std::size_t p = 0; p < f.points.size(); ++p)
            if (std::isfinite(outcome_of(f, p))) low = std::min(low, outcome_of(f, p)), high = std::max(high, outcome_of(f, p));
        if (!(low <= high)) low = 0, high = 1;
    }
    const double top = 104;
    const double cell_width = (plot_right - plot_left) / static_cast<double>(columns.size());
    const double cell_height = std::min(48.0, 480.0 / static_cast<double>(rows.size()));
    const double bottom = top + cell_height * static_cast<double>(rows.size());
    const frame grid{plot_left, plot_right, top, bottom, {}, {}};
    const full_colour full = is_share(f) ? share_full : count_full;
    std::string svg = svg_document_start(page_width, bottom + 140);
    add_heading(svg, f, outcome_at_generation(f));
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const double y = top + cell_height * static_cast<double>(r);
        add_text(svg, plot_left - 8, y + cell_height / 2 + 4, value_label(rows[r]), "text-anchor=\"end\" " + std::string(text_style));
        for (std::size_t c = 0; c < columns.size(); ++c) {
            const std::size_t point = r * columns.size() + c;
            const double value = outcome_of(f, point);
            const double x = plot_left + cell_width * static_cast<double>(c);
            add_rectangle(svg, x, y, cell_width, cell_height, scale_colour(value, low, high, full), "stroke=\"white\"");
            const bool dark = !std::isnan(value) && high > low && (value - low) / (high - low) > 0.5;
            if (cell_width >= 36 && cell_height >= 16)
                add_text(svg, x + cell_width / 2, y + cell_height / 2 + 4, outcome_label(f, value),
                         std::string("text-anchor=\"middle\" font-size=\"11\" fill=\"") + (dark ? "white" : "#222") + "\"");
        }
    }
    for (std::size_t c = 0; c < columns.size(); ++c)
        add_text(svg, plot_left + cell_width * (static_cast<double>(c) + 0.5), bottom + 18, value_label(columns[c]),
                 "text-anchor=\"middle\" " + std::string(text_style));
    add_x_axis_title(svg, grid, bottom + 42, parameter_axis_title(f, 1));
    add_axis_title(svg, grid, parameter_axis_title(f, 0));
    // The colour scale, with its ends.
    const double scale_top = bottom + 78;
    for (int k = 0; k <= 10; ++k)
        add_rectangle(svg, plot_left + 40.0 * k, scale_top, 40, 14, scale_colour(low + (high - low) * k / 10.0, low, high, full));
    add_rectangle(svg, plot_left, scale_top, 440, 14, "none", "stroke=\"#bbbbbb\"");
    add_text(svg, plot_left, scale_top + 30, is_share(f) ? "0%" : value_label(low), text_style);
    add_text(svg, plot_left + 440, scale_top + 30, is_share(f) ? "100%" : value_label(high),
             "text-anchor=\"end\" " + std::string(text_style));
    add_text(svg, plot_left + 460, scale_top + 12, text::outcome_title(outcome_name(f)), text_style);
    return svg + "</svg>\n";
}

// Width of the bar an effect has; missing effects have none and come last.
double effect_width(const one_at_a_time_effect& e) {
    const double width = std::fabs(e.at_high - e.at_low);
    return std::isnan(width) ? -1 : width;
}

std::string tornado_figure(const figure& f) {
    std::vector<one_at_a_time_effect> effects;
    for (const one_at_a_time_effect& e : f.analysis.effects)
        if (e.outcome == f.choice.outcome) effects.push_back(e);
    // The widest effect on top.
    std::stable_sort(effects.begin(), effects.end(),
                     [](const auto& a, const auto& b) { return effect_width(a) > effect_width(b); });
    std::vector<double> values;
    for (const one_at_a_time_effect& e : effects)
        for (double v : {e.at_base, e.at_low, e.at_high})
            if (std::isfinite(v)) values.push_back(v);
    const auto [lowest, highest] = std::minmax_element(values.begin(), values.end());
    const axis_ticks x = is_share(f) || values.empty() ? axis_ticks{0, 1, 0.25}
                                                        : round_axis(*lowest, *highest, 5, 1);
    const double row = 44;
    const frame fr{plot_left + 230, plot_right - 60, 104, 104 + row * static_cast<double>(effects.size()), x, {}};
    std::string svg = svg_document_start(page_width, fr.bottom + 110);
    add_heading(svg, f, outcome_at_generation(f) + ", one parameter at a time");
    for (double v : tick_values(fr.x)) {
        add_line(svg, x_at(fr, v), fr.top, x_at(fr, v), fr.bottom, grid_colour, 1);
        add_text(svg, x_at(fr, v), fr.bottom + 19, is_share(f) ? percent_label(v) : tick_label(v),
                 "text-anchor=\"middle\" " + std::string(text_style));
    }
    add_axis_note(svg, fr, true);
    for (std::size_t i = 0; i < effects.size(); ++i) {
        const one_at_a_time_effect& e = effects[i];
        const double y = fr.top + row * static_cast<double>(i) + 8;
        const std::vector<std::string> name = wrapped_words(text::parameter_title(answer_of(f, e.parameter)), 40);
        add_text_lines(svg, fr.left - 56, y + row / 2 - 4 - 7 * static_cast<double>(name.size() - 1), name, 14,
                       "text-anchor=\"end\" " + std::string(text_style));
        if (std::isnan(e.at_low) || std::isnan(e.at_high)) {
            add_text(svg, fr.left + 4, y + row / 2 - 4, "missing", "font-size=\"11\" fill=\"#555\"");
            continue;
        }
        const double left = std::min(e.at_low, e.at_high), right = std::max(e.at_low, e.at_high);
        add_rectangle(svg, x_at(fr, left), y, std::max(1.0, x_at(fr, right) - x_at(fr, left)), row - 16,
                      std::string(extinct_colour), "fill-opacity=\"0.75\"");
        const bool low_left = e.at_low <= e.at_high;
        add_text(svg, x_at(fr, left) - 4, y + row / 2 - 4, value_label(low_left ? e.low_value : e.high_value),
                 "text-anchor=\"end\" font-size=\"11\" fill=\"#555\"");
        add_text(svg, x_at(fr, right) + 4, y + row / 2 - 4, value_label(low_left ? e.high_value : e.low_value),
                 "font-size=\"11\" fill=\"#555\"");
    }
    if (!effects.empty() && !std::isnan(effects.front().at_base)) {
        const double base = x_at(fr, effects.front().at_base);
        add_line(svg, base, fr.top - 6, base, fr.bottom, "#222", 1.5);
        add_text(svg, base, fr.top - 10, "base point", "text-anchor=\"middle\" " + std::string(text_style));
    }
    add_x_axis_title(svg, fr, fr.bottom + 44, outcome_at_generation(f));
    return svg + "</svg>\n";
}

// Why an index is not drawn, or nothing when it is.
std::string_view undefined_index_words(index_definition defined) {
    switch (defined) {
    case index_definition::defined: return {};
    case index_definition::outcome_constant: return "does not vary";
    case index_definition::outcome_missing: return "missing at some points";
    }
    return {};
}

std::string sobol_figure(const figure& f) {
    std::vector<sobol_index> indices;
    for (const sobol_index& i : f.analysis.indices)
        if (i.outcome == f.choice.outcome) indices.push_back(i);
    double low = 0, high = 1;
    for (const sobol_index& i : indices)
        for (double v : {i.first_order, i.total_order, i.first_order_low, i.total_order_low, i.first_order_high,
                         i.total_order_high})
            if (std::isfinite(v)) low = std::min(low, v), high = std::max(high, v);
    const axis_ticks slots{0, 1, 1};
    const frame fr{plot_left, plot_right, 104, 444, slots, round_axis(low, high, 5, 0.05)};
    std::string svg = svg_document_start(page_width, 560);
    add_heading(svg, f, "Sensitivity of the " + lower_first(outcome_at_generation(f)));
    const bool phases = f.plan.design.kind == design_kind::efast;
    add_legend(svg, plot_left, 86,
               {{first_order_colour, true, 0, "first-order index (alone)"},
                {total_order_colour, true, 0, "total-order index (with interactions)"},
                {"#222", false, 1.5, phases ? "95% interval over the phases" : "95% bootstrap interval"}});
    add_y_grid(svg, fr, false);
    const double slot = (fr.right - fr.left) / static_cast<double>(std::max<std::size_t>(indices.size(), 1));
    for (std::size_t k = 0; k < indices.size(); ++k) {
        const sobol_index& i = indices[k];
        const double x = fr.left + slot * static_cast<double>(k);
        const double bar = std::min(60.0, slot / 3);
        const auto draw = [&](double left, double value, double lower, double upper, std::string_view colour) {
            if (!std::isfinite(value)) return;
            const double y0 = y_at(fr, std::max(0.0, value)), y1 = y_at(fr, std::min(0.0, value));
            add_rectangle(svg, left, y0, bar, std::max(1.0, y1 - y0), colour);
            if (!std::isfinite(lower) || !std::isfinite(upper)) return;
            add_line(svg, left + bar / 2, y_at(fr, lower), left + bar / 2, y_at(fr, upper), "#222", 1.5);
            add_line(svg, left + bar / 2 - 6, y_at(fr, lower), left + bar / 2 + 6, y_at(fr, lower), "#222", 1.5);
            add_line(svg, left + bar / 2 - 6, y_at(fr, upper), left + bar / 2 + 6, y_at(fr, upper), "#222", 1.5);
        };
        draw(x + slot / 2 - bar - 2, i.first_order, i.first_order_low, i.first_order_high, first_order_colour);
        draw(x + slot / 2 + 2, i.total_order, i.total_order_low, i.total_order_high, total_order_colour);
        if (const std::string_view why = undefined_index_words(i.defined); !why.empty())
            add_text_lines(svg, x + slot / 2, (fr.top + fr.bottom) / 2,
                           wrapped_words("no index: the " + lower_first(text::outcome_title(outcome_name(f))) + " " +
                                             std::string(why),
                                         static_cast<std::size_t>(std::max(12.0, slot / 7))),
                           15, "text-anchor=\"middle\" " + std::string(text_style));
        const std::vector<std::string> name =
            wrapped_words(text::parameter_title(answer_of(f, i.parameter)), static_cast<std::size_t>(std::max(12.0, slot / 7)));
        add_text_lines(svg, x + slot / 2, fr.bottom + 20, name, 14, "text-anchor=\"middle\" " + std::string(text_style));
    }
    add_axis_title(svg, fr, "Index");
    return svg + "</svg>\n";
}

// Morris screening: each parameter at its mu_star (how much it matters)
// and sigma (how much its effect changes from place to place: curvature
// or interactions), with mu_star's bootstrap interval.
std::string morris_figure(const figure& f) {
    std::vector<morris_effect> effects;
    for (const morris_effect& e : f.analysis.screening)
        if (e.outcome == f.choice.outcome && std::isfinite(e.mu_star) && std::isfinite(e.sigma)) effects.push_back(e);
    double most_star = 0, most_sigma = 0;
    for (const morris_effect& e : effects) {
        most_star = std::max({most_star, e.mu_star, std::isfinite(e.mu_star_high) ? e.mu_star_high : 0.0});
        most_sigma = std::max(most_sigma, e.sigma);
    }
    const frame fr{plot_left, plot_right, 104, 484, round_axis(0, most_star, 5, 1e-9), round_axis(0, most_sigma, 5, 1e-9)};
    std::string svg = svg_document_start(page_width, 580);
    add_heading(svg, f, "Screening of the " + lower_first(outcome_at_generation(f)));
    add_legend(svg, plot_left, 86,
               {{median_colour, true, 0, "a parameter"}, {"#222", false, 1.5, "95% bootstrap interval of mu*"}});
    add_grid(svg, fr, false);
    if (effects.empty())
        add_text(svg, (fr.left + fr.right) / 2, (fr.top + fr.bottom) / 2,
                 "no effects: the " + lower_first(text::outcome_title(outcome_name(f))) + " is missing at some points",
                 "text-anchor=\"middle\" " + std::string(text_style));
    for (const morris_effect& e : effects) {
        const double x = x_at(fr, e.mu_star), y = y_at(fr, e.sigma);
        if (std::isfinite(e.mu_star_low) && std::isfinite(e.mu_star_high))
            add_line(svg, x_at(fr, e.mu_star_low), y, x_at(fr, e.mu_star_high), y, "#222", 1.5);
        svg += "<circle cx=\"" + coordinate(x) + "\" cy=\"" + coordinate(y) + "\" r=\"5\" fill=\"" +
               std::string(median_colour) + "\"/>\n";
        add_text(svg, x + 8, y - 8, text::parameter_title(answer_of(f, e.parameter)), text_style);
    }
    add_x_axis_title(svg, fr, fr.bottom + 44, "mu*, the mean absolute elementary effect");
    add_axis_title(svg, fr, "sigma, their standard deviation");
    return svg + "</svg>\n";
}

// Partial rank correlation coefficients as bars from -1 to 1, each with
// its p-value.
std::string correlation_figure(const figure& f) {
    std::vector<partial_rank_correlation> found;
    for (const partial_rank_correlation& c : f.analysis.correlations)
        if (c.outcome == f.choice.outcome) found.push_back(c);
    const frame fr{plot_left, plot_right, 104, 444, axis_ticks{0, 1, 1}, axis_ticks{-1, 1, 0.5}};
    std::string svg = svg_document_start(page_width, 560);
    add_heading(svg, f, "Partial rank correlation with the " + lower_first(outcome_at_generation(f)));
    add_y_grid(svg, fr, false);
    const double slot = (fr.right - fr.left) / static_cast<double>(std::max<std::size_t>(found.size(), 1));
    const std::size_t width = static_cast<std::size_t>(std::max(12.0, slot / 7));
    for (std::size_t k = 0; k < found.size(); ++k) {
        const partial_rank_correlation& c = found[k];
        const double middle = fr.left + slot * (static_cast<double>(k) + 0.5);
        const double bar = std::min(60.0, slot / 2);
        if (std::isfinite(c.prcc)) {
            const double y0 = y_at(fr, std::max(0.0, c.prcc)), y1 = y_at(fr, std::min(0.0, c.prcc));
            add_rectangle(svg, middle - bar / 2, y0, bar, std::max(1.0, y1 - y0), first_order_colour);
            char p[48];
            std::snprintf(p, sizeof p, "p = %.2g", c.prcc_p_value);
            add_text(svg, middle, (c.prcc >= 0 ? y0 - 6 : y1 + 16), std::isnan(c.prcc_p_value) ? "p missing" : p,
                     "text-anchor=\"middle\" " + std::string(text_style));
        } else {
            const std::string why = c.defined == index_definition::defined
                                        ? std::string("no coefficient: the parameters' ranks depend on one another")
                                        : "no coefficient: the " + lower_first(text::outcome_title(outcome_name(f))) +
                                              " " + std::string(undefined_index_words(c.defined));
            add_text_lines(svg, middle, (fr.top + fr.bottom) / 2, wrapped_words(why, width), 15,
                           "text-anchor=\"middle\" " + std::string(text_style));
        }
        add_text_lines(svg, middle, fr.bottom + 20, wrapped_words(text::parameter_title(answer_of(f, c.parameter)), width),
                       14, "text-anchor=\"middle\" " + std::string(text_style));
    }
    add_axis_title(svg, fr, "Partial rank correlation coefficient");
    return svg + "</svg>\n";
}

// The outcome against each varied parameter, three panels a row.
std::string scatter_figure(const figure& f) {
    const std::size_t panels = f.plan.design.varied.size();
    const std::size_t rows = (panels + 2) / 3;
    const double width = 240, height = 180, gap = 48;
    std::string svg = svg_document_start(page_width, 104 + (height + 2 * gap) * static_cast<double>(rows));
    add_heading(svg, f, outcome_at_generation(f) + " against each varied parameter");
    const axis_ticks y = outcome_axis(f, 4);
    for (std::size_t j = 0; j < panels; ++j) {
        const double left = 80 + (width + 60) * static_cast<double>(j % 3);
        const double top = 104 + (height + 2 * gap) * static_cast<double>(j / 3);
        const frame fr{left, left + width, top, top + height, parameter_axis(f, j), y};
        add_y_grid(svg, fr, is_share(f));
        add_parameter_ticks(svg, fr);
        for (std::size_t p = 0; p < f.points.size(); ++p) {
            if (std::isnan(outcome_of(f, p))) continue;
            svg += "<circle cx=\"" + coordinate(x_at(fr, parameter_of(f, j, p))) + "\" cy=\"" +
                   coordinate(y_at(fr, outcome_of(f, p))) + "\" r=\"2.5\" fill=\"" + std::string(extinct_colour) +
                   "\" fill-opacity=\"0.6\"/>\n";
        }
        add_text_lines(svg, (fr.left + fr.right) / 2, fr.bottom + 36, wrapped_words(parameter_axis_title(f, j), 36), 15,
                       "text-anchor=\"middle\" font-size=\"13\" fill=\"#222\"");
    }
    return svg + "</svg>\n";
}

// One colour per parameter, told apart in print.
constexpr std::array<std::string_view, 10> parameter_colours = {"#08306b", "#b2182b", "#238b45", "#6a51a3", "#d94801",
                                                                 "#41b6c4", "#969696", "#e7298a", "#8c6d31", "#000000"};

// A parameter's index of an outcome at one generation, as the figure over
// time draws it.
double index_over_time(const sweep_analysis& analysis, std::size_t parameter, std::size_t outcome) {
    for (const sobol_index& i : analysis.indices)
        if (i.parameter == parameter && i.outcome == outcome) return i.total_order;
    for (const morris_effect& e : analysis.screening)
        if (e.parameter == parameter && e.outcome == outcome) return e.mu_star;
    return std::numeric_limits<double>::quiet_NaN();
}

}  // namespace

std::string sensitivity_over_time_svg(const experiment& plan, std::span<const parameter_set> points,
                                      std::span<const generation_analysis> over_time) {
    const std::vector<std::size_t> followed = outcomes_over_time();
    const figure_choice choice{};
    const sweep_analysis none{};
    const figure f{plan, points, none, choice};
    const double panel_height = 260, top = 110;
    std::string svg = svg_document_start(page_width, top + (panel_height + 90) * static_cast<double>(followed.size()));
    const bool morris = plan.design.kind == design_kind::morris;
    add_heading(svg, f, std::string(morris ? "Screening" : "Sensitivity") + " generation by generation");
    std::vector<double> generations;
    for (const generation_analysis& at : over_time) generations.push_back(at.generation);
    const std::size_t parameters = plan.design.varied.size();
    for (std::size_t panel = 0; panel < followed.size(); ++panel) {
        const std::size_t outcome = followed[panel];
        double high = morris ? 0 : 1;
        for (const generation_analysis& at : over_time)
            for (std::size_t j = 0; j < parameters; ++j)
                if (const double v = index_over_time(at.analysis, j, outcome); std::isfinite(v)) high = std::max(high, v);
        const double y0 = top + (panel_height + 90) * static_cast<double>(panel);
        const frame fr{plot_left, 620, y0, y0 + panel_height, value_axis(generations, 5), round_axis(0, high, 5, 1e-9)};
        add_grid(svg, fr, false);
        for (std::size_t j = 0; j < parameters; ++j) {
            const std::string colour(parameter_colours[j % parameter_colours.size()]);
            std::string line;
            const auto flush = [&] {
                if (line.find(' ') != line.rfind(' '))
                    svg += "<polyline points=\"" + line + "\" fill=\"none\" stroke=\"" + colour + "\" stroke-width=\"2\"/>\n";
                line.clear();
            };
            for (const generation_analysis& at : over_time) {
                const double v = index_over_time(at.analysis, j, outcome);
                if (!std::isfinite(v)) {
                    flush();
                    continue;
                }
                line += coordinate(x_at(fr, at.generation)) + "," + coordinate(y_at(fr, v)) + " ";
            }
            flush();
            const double legend_y = fr.top + 16 + 20 * static_cast<double>(j);
            add_line(svg, 640, legend_y - 4, 664, legend_y - 4, colour, 2);
            add_text(svg, 670, legend_y, text::parameter_title(plan.design.varied[j].answer), text_style);
        }
        add_x_axis_title(svg, fr, fr.bottom + 40, "Generation");
        add_axis_title(svg, fr,
                       std::string(morris ? "mu* of the " : "Total-order index of the ") +
                           lower_first(text::outcome_title(outcome_columns[outcome].name)));
    }
    return svg + "</svg>\n";
}

std::string sweep_svg(const experiment& plan, std::span<const parameter_set> points, const sweep_analysis& analysis,
                      const figure_choice& choice) {
    const figure f{plan, points, analysis, choice};
    const design_kind kind = plan.design.kind;
    if (kind == design_kind::one_at_a_time) return tornado_figure(f);
    if (kind == design_kind::sobol || kind == design_kind::efast) return sobol_figure(f);
    if (kind == design_kind::morris) return morris_figure(f);
    if (plan.design.varied.size() == 1) return one_parameter_figure(f);
    if (kind == design_kind::latin_hypercube) return correlation_figure(f);
    if (kind == design_kind::grid && plan.design.varied.size() == 2) return heat_map_figure(f);
    return scatter_figure(f);
}

}  // namespace zemrath::sweep
