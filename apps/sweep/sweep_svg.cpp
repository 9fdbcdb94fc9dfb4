#include "sweep/sweep_svg.hpp"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "results/svg_plot.hpp"
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
constexpr std::string_view text_style = "font-size=\"12\" fill=\"#333\"";

std::string name_of(const experiment& plan, std::size_t j) { return parameter_key(plan.design.varied[j].answer); }

bool on_log_scale(const experiment& plan, std::size_t j) {
    const varied_parameter& v = plan.design.varied[j];
    return v.values.empty() && v.scale == value_scale::log;
}

// Where a parameter value sits along its axis: itself, or its logarithm.
double position(const experiment& plan, std::size_t j, double value) {
    return on_log_scale(plan, j) ? std::log10(value) : value;
}

// An axis over the positions of a parameter's values.
axis_ticks parameter_axis(const experiment& plan, std::size_t j, std::span<const parameter_set> points) {
    std::vector<double> positions;
    for (const parameter_set& p : points) positions.push_back(position(plan, j, answer_value(p, plan.design.varied[j].answer)));
    return value_axis(positions, 5);
}

std::string position_label(const experiment& plan, std::size_t j, double x) {
    return tick_label(on_log_scale(plan, j) ? std::pow(10.0, x) : x);
}

void add_parameter_ticks(std::string& svg, const frame& f, const experiment& plan, std::size_t j) {
    for (double x : tick_values(f.x)) {
        add_line(svg, x_at(f, x), f.bottom, x_at(f, x), f.bottom + 5, axis_colour, 1);
        add_text(svg, x_at(f, x), f.bottom + 19, position_label(plan, j, x),
                 "text-anchor=\"middle\" font-size=\"12\" fill=\"#333\"");
    }
    add_axis_note(svg, f, true);
}

// The y grid and axis lines of a frame, without x labels.
void add_y_grid(std::string& svg, const frame& f, bool percent) {
    for (double v : tick_values(f.y)) {
        add_line(svg, f.left, y_at(f, v), f.right, y_at(f, v), grid_colour, 1);
        add_text(svg, f.left - 8, y_at(f, v) + 4, percent ? percent_label(v) : tick_label(v),
                 "text-anchor=\"end\" font-size=\"12\" fill=\"#333\"");
    }
    add_line(svg, f.left, f.top, f.left, f.bottom, axis_colour, 1);
    add_line(svg, f.left, f.bottom, f.right, f.bottom, axis_colour, 1);
    add_axis_note(svg, f, false);
}

void add_heading(std::string& svg, const std::string& title, const std::string& subtitle) {
    add_text(svg, plot_left, 36, title, "font-size=\"20\" font-weight=\"bold\" fill=\"#111\"");
    add_text(svg, plot_left, 58, subtitle, "font-size=\"13\" fill=\"#555\"");
}

std::string subtitle(const experiment& plan, std::span<const parameter_set> points) {
    return "zemrath-sweep: " + std::to_string(points.size()) + " points (" +
           std::string(design_kind_name(plan.design.kind)) + "), seeds " + format_seed_list(plan.seeds) +
           " at every point; the last generation of each";
}

// Points in the order of one parameter's value.
std::vector<std::size_t> ordered_by(const experiment& plan, std::size_t j, std::span<const parameter_set> points) {
    std::vector<std::size_t> order(points.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    const std::size_t answer = plan.design.varied[j].answer;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return answer_value(points[a], answer) < answer_value(points[b], answer);
    });
    return order;
}

template <typename Value>
std::string polyline_points(const frame& f, const experiment& plan, std::span<const parameter_set> points,
                            const std::vector<std::size_t>& order, Value value) {
    std::string text;
    for (std::size_t p : order)
        text += coordinate(x_at(f, position(plan, 0, answer_value(points[p], plan.design.varied[0].answer)))) + "," +
                coordinate(y_at(f, value(p))) + " ";
    return text;
}

std::string one_parameter_figure(const experiment& plan, std::span<const parameter_set> points,
                                 std::span<const point_outcomes> outcomes) {
    const std::vector<std::size_t> order = ordered_by(plan, 0, points);
    double high = 0;
    for (const point_outcomes& o : outcomes) high = std::max(high, o.adults_p95);
    const axis_ticks x = parameter_axis(plan, 0, points);
    const frame adults{plot_left, plot_right, 104, 384, x, round_axis(0, high, 5, 1)};
    const frame extinct{plot_left, plot_right, 452, 612, x, {0, 1, 0.25}};
    std::string svg = svg_document_start(page_width, 680);
    add_heading(svg, "Adults and extinction against " + name_of(plan, 0), subtitle(plan, points));
    add_legend(svg, plot_left, 86,
               {{band_colour, true, 0, "adults, 5th\u201395th percentile of the streams"},
                {median_colour, false, 2.5, "median"},
                {extinct_colour, false, 2, "share of streams extinct"}});

    add_y_grid(svg, adults, false);
    std::string band = polyline_points(adults, plan, points, order, [&](std::size_t p) { return outcomes[p].adults_p95; });
    const std::vector<std::size_t> backwards(order.rbegin(), order.rend());
    band += polyline_points(adults, plan, points, backwards, [&](std::size_t p) { return outcomes[p].adults_p5; });
    svg += "<polygon points=\"" + band + "\" fill=\"" + std::string(band_colour) + "\" stroke=\"none\"/>\n";
    svg += "<polyline points=\"" +
           polyline_points(adults, plan, points, order, [&](std::size_t p) { return outcomes[p].adults_p50; }) +
           "\" fill=\"none\" stroke=\"" + std::string(median_colour) + "\" stroke-width=\"2.5\"/>\n";
    add_axis_title(svg, adults, "Adults");

    add_y_grid(svg, extinct, true);
    svg += "<polyline points=\"" +
           polyline_points(extinct, plan, points, order, [&](std::size_t p) { return outcomes[p].extinct_fraction; }) +
           "\" fill=\"none\" stroke=\"" + std::string(extinct_colour) + "\" stroke-width=\"2\"/>\n";
    for (std::size_t p : order)
        svg += "<circle cx=\"" +
               coordinate(x_at(extinct, position(plan, 0, answer_value(points[p], plan.design.varied[0].answer)))) +
               "\" cy=\"" + coordinate(y_at(extinct, outcomes[p].extinct_fraction)) + "\" r=\"3\" fill=\"" +
               std::string(extinct_colour) + "\"/>\n";
    add_parameter_ticks(svg, extinct, plan, 0);
    add_axis_title(svg, extinct, "Extinct");
    add_text(svg, (plot_left + plot_right) / 2, 652,
             name_of(plan, 0) + (on_log_scale(plan, 0) ? " (log scale)" : ""),
             "text-anchor=\"middle\" font-size=\"14\" fill=\"#222\"");
    return svg + "</svg>\n";
}

// White for no stream extinct, the extinction colour for all of them.
std::string share_colour(double share) {
    const double s = std::clamp(std::isnan(share) ? 0.0 : share, 0.0, 1.0);
    const auto mix = [s](int white, int full) { return static_cast<int>(std::lround(white + s * (full - white))); };
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", mix(255, 0xb2), mix(255, 0x18), mix(255, 0x2b));
    return text;
}

std::string heat_map_figure(const experiment& plan, std::span<const parameter_set> points,
                            std::span<const point_outcomes> outcomes) {
    const std::vector<double> rows = parameter_values(plan.design.varied[0]);
    const std::vector<double> columns = parameter_values(plan.design.varied[1]);
    const double top = 104;
    const double cell_width = (plot_right - plot_left) / static_cast<double>(columns.size());
    const double cell_height = std::min(48.0, 480.0 / static_cast<double>(rows.size()));
    const double bottom = top + cell_height * static_cast<double>(rows.size());
    std::string svg = svg_document_start(page_width, bottom + 120);
    add_heading(svg, "Share of streams extinct by " + name_of(plan, 0) + " and " + name_of(plan, 1),
                subtitle(plan, points));
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const double y = top + cell_height * static_cast<double>(r);
        add_text(svg, plot_left - 8, y + cell_height / 2 + 4, tick_label(rows[r]), "text-anchor=\"end\" " + std::string(text_style));
        for (std::size_t c = 0; c < columns.size(); ++c) {
            const double share = outcomes[r * columns.size() + c].extinct_fraction;
            const double x = plot_left + cell_width * static_cast<double>(c);
            add_rectangle(svg, x, y, cell_width, cell_height, share_colour(share), "stroke=\"white\"");
            if (cell_width >= 36 && cell_height >= 16)
                add_text(svg, x + cell_width / 2, y + cell_height / 2 + 4, percent_label(share),
                         std::string("text-anchor=\"middle\" font-size=\"11\" fill=\"") + (share > 0.5 ? "white" : "#222") + "\"");
        }
    }
    for (std::size_t c = 0; c < columns.size(); ++c)
        add_text(svg, plot_left + cell_width * (static_cast<double>(c) + 0.5), bottom + 18, tick_label(columns[c]),
                 "text-anchor=\"middle\" " + std::string(text_style));
    add_text(svg, (plot_left + plot_right) / 2, bottom + 42, name_of(plan, 1),
             "text-anchor=\"middle\" font-size=\"14\" fill=\"#222\"");
    add_axis_title(svg, frame{plot_left, plot_right, top, bottom, {}, {}}, name_of(plan, 0));
    // The colour scale.
    for (int k = 0; k <= 10; ++k)
        add_rectangle(svg, plot_left + 40.0 * k, bottom + 66, 40, 14, share_colour(k / 10.0));
    add_text(svg, plot_left, bottom + 96, "0%", text_style);
    add_text(svg, plot_left + 440, bottom + 96, "100% of streams extinct", "text-anchor=\"end\" " + std::string(text_style));
    return svg + "</svg>\n";
}

std::string tornado_figure(const experiment& plan, std::span<const parameter_set> points,
                           std::span<const one_at_a_time_effect> all_effects) {
    std::vector<one_at_a_time_effect> effects;
    for (const one_at_a_time_effect& e : all_effects)
        if (e.outcome == 0) effects.push_back(e);
    // The widest effect on top.
    std::stable_sort(effects.begin(), effects.end(), [](const auto& a, const auto& b) {
        return std::fabs(a.at_high - a.at_low) > std::fabs(b.at_high - b.at_low);
    });
    const double row = 40;
    const frame f{plot_left + 150, plot_right - 60, 104, 104 + row * static_cast<double>(effects.size()), {0, 1, 0.25}, {}};
    std::string svg = svg_document_start(page_width, f.bottom + 90);
    add_heading(svg, "Share of streams extinct, one parameter at a time", subtitle(plan, points));
    for (double v : tick_values(f.x)) {
        add_line(svg, x_at(f, v), f.top, x_at(f, v), f.bottom, grid_colour, 1);
        add_text(svg, x_at(f, v), f.bottom + 19, percent_label(v), "text-anchor=\"middle\" " + std::string(text_style));
    }
    for (std::size_t i = 0; i < effects.size(); ++i) {
        const one_at_a_time_effect& e = effects[i];
        const double y = f.top + row * static_cast<double>(i) + 8;
        const double left = std::min(e.at_low, e.at_high), right = std::max(e.at_low, e.at_high);
        add_rectangle(svg, x_at(f, left), y, std::max(1.0, x_at(f, right) - x_at(f, left)), row - 16,
                      std::string(extinct_colour), "fill-opacity=\"0.75\"");
        add_text(svg, f.left - 56, y + row / 2 - 4, name_of(plan, e.parameter), "text-anchor=\"end\" " + std::string(text_style));
        const bool low_left = e.at_low <= e.at_high;
        add_text(svg, x_at(f, left) - 4, y + row / 2 - 4, value_label(low_left ? e.low_value : e.high_value),
                 "text-anchor=\"end\" font-size=\"11\" fill=\"#555\"");
        add_text(svg, x_at(f, right) + 4, y + row / 2 - 4, value_label(low_left ? e.high_value : e.low_value),
                 "font-size=\"11\" fill=\"#555\"");
    }
    if (!effects.empty()) {
        add_line(svg, x_at(f, effects.front().at_base), f.top - 6, x_at(f, effects.front().at_base), f.bottom, "#222", 1.5);
        add_text(svg, x_at(f, effects.front().at_base), f.top - 10, "base point", "text-anchor=\"middle\" " + std::string(text_style));
    }
    add_text(svg, (f.left + f.right) / 2, f.bottom + 44, "Share of streams extinct at the last generation",
             "text-anchor=\"middle\" font-size=\"14\" fill=\"#222\"");
    return svg + "</svg>\n";
}

std::string sobol_figure(const experiment& plan, std::span<const parameter_set> points,
                         std::span<const sobol_index> all_indices) {
    std::vector<sobol_index> indices;
    for (const sobol_index& i : all_indices)
        if (i.outcome == 0) indices.push_back(i);
    double low = 0, high = 1;
    for (const sobol_index& i : indices)
        for (double v : {i.first_order_low, i.total_order_low, i.first_order_high, i.total_order_high})
            if (!std::isnan(v)) low = std::min(low, v), high = std::max(high, v);
    const frame f{plot_left, plot_right, 104, 444, {0, 1, 1}, round_axis(low, high, 5, 0.05)};
    std::string svg = svg_document_start(page_width, 540);
    add_heading(svg, "Sensitivity of the share of streams extinct", subtitle(plan, points));
    add_legend(svg, plot_left, 86,
               {{first_order_colour, true, 0, "first-order index (alone)"},
                {total_order_colour, true, 0, "total-order index (with interactions)"},
                {"#222", false, 1.5, "95% bootstrap interval"}});
    add_y_grid(svg, f, false);
    const double slot = (f.right - f.left) / static_cast<double>(std::max<std::size_t>(indices.size(), 1));
    for (std::size_t k = 0; k < indices.size(); ++k) {
        const sobol_index& i = indices[k];
        const double x = f.left + slot * static_cast<double>(k);
        const double bar = std::min(60.0, slot / 3);
        const auto draw = [&](double left, double value, double lower, double upper, std::string_view colour) {
            if (std::isnan(value)) return;
            const double y0 = y_at(f, std::max(0.0, value)), y1 = y_at(f, std::min(0.0, value));
            add_rectangle(svg, left, y0, bar, std::max(1.0, y1 - y0), colour);
            if (std::isnan(lower)) return;
            add_line(svg, left + bar / 2, y_at(f, lower), left + bar / 2, y_at(f, upper), "#222", 1.5);
            add_line(svg, left + bar / 2 - 6, y_at(f, lower), left + bar / 2 + 6, y_at(f, lower), "#222", 1.5);
            add_line(svg, left + bar / 2 - 6, y_at(f, upper), left + bar / 2 + 6, y_at(f, upper), "#222", 1.5);
        };
        draw(x + slot / 2 - bar - 2, i.first_order, i.first_order_low, i.first_order_high, first_order_colour);
        draw(x + slot / 2 + 2, i.total_order, i.total_order_low, i.total_order_high, total_order_colour);
        add_text(svg, x + slot / 2, f.bottom + 20, name_of(plan, i.parameter), "text-anchor=\"middle\" " + std::string(text_style));
    }
    add_axis_title(svg, f, "Index");
    return svg + "</svg>\n";
}

// The extinct share against each varied parameter, three panels a row.
std::string scatter_figure(const experiment& plan, std::span<const parameter_set> points,
                           std::span<const point_outcomes> outcomes) {
    const std::size_t panels = plan.design.varied.size();
    const std::size_t rows = (panels + 2) / 3;
    const double width = 250, height = 180, gap = 40;
    std::string svg = svg_document_start(page_width, 104 + (height + 2 * gap) * static_cast<double>(rows));
    add_heading(svg, "Share of streams extinct against each varied parameter", subtitle(plan, points));
    for (std::size_t j = 0; j < panels; ++j) {
        const double left = 90 + (width + 60) * static_cast<double>(j % 3);
        const double top = 104 + (height + 2 * gap) * static_cast<double>(j / 3);
        const frame f{left, left + width, top, top + height, parameter_axis(plan, j, points), {0, 1, 0.25}};
        add_y_grid(svg, f, true);
        add_parameter_ticks(svg, f, plan, j);
        for (std::size_t p = 0; p < points.size(); ++p)
            svg += "<circle cx=\"" + coordinate(x_at(f, position(plan, j, answer_value(points[p], plan.design.varied[j].answer)))) +
                   "\" cy=\"" + coordinate(y_at(f, outcomes[p].extinct_fraction)) + "\" r=\"2.5\" fill=\"" +
                   std::string(extinct_colour) + "\" fill-opacity=\"0.6\"/>\n";
        add_text(svg, (f.left + f.right) / 2, f.bottom + 36, name_of(plan, j),
                 "text-anchor=\"middle\" font-size=\"13\" fill=\"#222\"");
    }
    return svg + "</svg>\n";
}

}  // namespace

std::string sweep_svg(const experiment& plan, std::span<const parameter_set> points, const sweep_analysis& analysis) {
    const design_kind kind = plan.design.kind;
    const std::span<const point_outcomes> outcomes = analysis.outcomes;
    if (kind == design_kind::one_at_a_time) return tornado_figure(plan, points, analysis.effects);
    if (kind == design_kind::sobol) return sobol_figure(plan, points, analysis.indices);
    if (plan.design.varied.size() == 1) return one_parameter_figure(plan, points, outcomes);
    if (kind == design_kind::grid && plan.design.varied.size() == 2) return heat_map_figure(plan, points, outcomes);
    return scatter_figure(plan, points, outcomes);
}

}  // namespace zemrath::sweep
