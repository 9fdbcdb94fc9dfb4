#include "results/report_svg.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string_view>

#include "results/svg_plot.hpp"
#include "zemrath/parameters.hpp"
#include "zemrath/real_text.hpp"
#include "zemrath/seed_list.hpp"

namespace zemrath::results {

namespace {

constexpr double page_width = 960;
constexpr double plot_left = 96;
constexpr double plot_right = 928;
constexpr double caption_top = 694;
constexpr double caption_line = 17;
constexpr std::size_t caption_width = 118;  // characters per caption line

constexpr std::string_view band_90_colour = "#c6dbef";
constexpr std::string_view band_50_colour = "#6baed6";
constexpr std::string_view median_colour = "#08306b";
constexpr std::string_view stream_colour = "#525252";

// One value per generation of the summary, as points of the frame.
template <typename Value>
std::string points_of(const frame& f, const std::vector<generation_summary>& generations, Value value) {
    std::string points;
    for (const generation_summary& g : generations)
        points += coordinate(x_at(f, g.generation)) + "," + coordinate(y_at(f, value(g))) + " ";
    return points;
}

// A band between two statistics of the adults, as one closed polygon.
void add_band(std::string& svg, const frame& f, const std::vector<generation_summary>& generations,
              double column_summary::*lower, double column_summary::*upper, std::string_view colour) {
    std::string points = points_of(f, generations, [&](const generation_summary& g) { return g.adults.*upper; });
    std::vector<generation_summary> backwards(generations.rbegin(), generations.rend());
    points += points_of(f, backwards, [&](const generation_summary& g) { return g.adults.*lower; });
    svg += "<polygon points=\"" + points + "\" fill=\"" + std::string(colour) + "\" stroke=\"none\"/>\n";
}

// "name value" for each answer, in prompt order.
std::vector<std::string> parameter_items(const parameter_set& answers) {
    std::vector<std::string> items;
    for (const answer_field& field : answer_fields) {
        std::string name(field.name);
        std::replace(name.begin(), name.end(), '_', ' ');
        const std::string value = field.real != nullptr ? real_text(answers.*field.real)
                                                        : std::to_string(answers.*field.integer);
        items.push_back(name + " " + value);
    }
    return items;
}

}  // namespace

std::vector<std::size_t> sample_streams(std::size_t streams) {
    constexpr std::size_t most = 5;
    std::vector<std::size_t> chosen;
    if (streams <= most) {
        for (std::size_t k = 0; k < streams; ++k) chosen.push_back(k);
        return chosen;
    }
    for (std::size_t i = 0; i < most; ++i) chosen.push_back(i * (streams - 1) / (most - 1));
    return chosen;
}

std::string report_svg(const ensemble_runs& runs, const ensemble_analysis& analysis,
                       const parameter_set& answers) {
    const std::vector<generation_summary>& generations = analysis.summary.generations;
    const std::vector<std::size_t> samples = sample_streams(runs.seeds.size());

    // The adults' axis covers every band and every line drawn.
    double low = 0;
    double high = 0;
    for (const generation_summary& g : generations) {
        low = std::min(low, g.adults.p5);
        high = std::max(high, g.adults.p95);
    }
    for (std::size_t k : samples)
        for (const generation_row& row : stream_rows(runs, k)) {
            low = std::min<double>(low, row.adults);
            high = std::max<double>(high, row.adults);
        }
    const double last_generation = generations.back().generation;
    axis_ticks x_axis = round_axis(0, std::max(last_generation, 1.0), 8, 1);
    x_axis.high = std::max(last_generation, 1.0);  // the data's own end, not a round one
    const frame adults{plot_left, plot_right, 104, 424, x_axis, round_axis(low, high, 5, 1)};
    const frame extinct{plot_left, plot_right, 492, 612, x_axis, {0, 1, 0.25}};

    const std::vector<std::string> caption = caption_lines(parameter_items(answers), caption_width);
    const std::size_t wrapped = analysis.wrapped_streams;
    // Below the caption's heading: its lines, then the line about wrapping.
    const std::size_t lines_below = caption.size() + (wrapped > 0 ? 1 : 0);
    const double page_height = caption_top + caption_line * static_cast<double>(lines_below) + 24;

    std::string svg = svg_document_start(page_width, page_height);

    const std::string streams = std::to_string(runs.seeds.size());
    add_text(svg, plot_left, 36,
             "Adults in generations 0 to " + std::to_string(generations.back().generation) + " over " + streams +
                 (runs.seeds.size() == 1 ? " stream" : " streams"),
             "font-size=\"20\" font-weight=\"bold\" fill=\"#111\"");
    add_text(svg, plot_left, 58,
             "zemrath, seeds " + format_seed_list(runs.seeds) +
                 ": every stream's adults after that generation's survival draws",
             "font-size=\"13\" fill=\"#555\"");

    std::string sample_seeds;
    for (std::size_t k : samples)
        sample_seeds += (sample_seeds.empty() ? "" : ", ") + std::to_string(runs.seeds[k]);
    add_legend(svg, plot_left, 86,
               {{band_90_colour, true, 0, "5th\u201395th percentile"},
                {band_50_colour, true, 0, "25th\u201375th percentile"},
                {median_colour, false, 2.5, "median"},
                {stream_colour, false, 1,
                 samples.size() == 1 ? "single stream (seed " + sample_seeds + ")"
                                     : "single streams (seeds " + sample_seeds + ")"}});

    // Fan chart of the adults.
    add_grid(svg, adults, false);
    add_band(svg, adults, generations, &column_summary::p5, &column_summary::p95, band_90_colour);
    add_band(svg, adults, generations, &column_summary::p25, &column_summary::p75, band_50_colour);
    for (std::size_t k : samples) {
        std::string points;
        for (const generation_row& row : stream_rows(runs, k))
            points += coordinate(x_at(adults, row.generation)) + "," + coordinate(y_at(adults, row.adults)) + " ";
        svg += "<polyline points=\"" + points + "\" fill=\"none\" stroke=\"" + std::string(stream_colour) +
               "\" stroke-width=\"0.9\" stroke-opacity=\"0.7\"/>\n";
    }
    svg += "<polyline points=\"" +
           points_of(adults, generations, [](const generation_summary& g) { return g.adults.p50; }) +
           "\" fill=\"none\" stroke=\"" + std::string(median_colour) +
           "\" stroke-width=\"2.5\" stroke-linejoin=\"round\"/>\n";
    add_axis_title(svg, adults, "Adults");

    // Share of streams extinct, as an area under its line.
    add_text(svg, plot_left, 476, "Share of streams extinct (no adults left)",
             "font-size=\"15\" font-weight=\"bold\" fill=\"#111\"");
    add_grid(svg, extinct, true);
    const std::string extinct_points =
        points_of(extinct, generations, [](const generation_summary& g) { return g.extinct_fraction; });
    svg += "<polygon points=\"" + coordinate(x_at(extinct, 0)) + "," + coordinate(extinct.bottom) + " " +
           extinct_points + coordinate(x_at(extinct, last_generation)) + "," + coordinate(extinct.bottom) +
           "\" fill=\"" + std::string(extinct_colour) + "\" fill-opacity=\"0.15\" stroke=\"none\"/>\n";
    svg += "<polyline points=\"" + extinct_points + "\" fill=\"none\" stroke=\"" +
           std::string(extinct_colour) + "\" stroke-width=\"2\" stroke-linejoin=\"round\"/>\n";
    add_axis_title(svg, extinct, "Extinct");
    add_text(svg, (plot_left + plot_right) / 2, 652, "Generation",
             "text-anchor=\"middle\" font-size=\"14\" fill=\"#222\"");

    // Caption: the parameters, and a warning when counts wrapped.
    double y = caption_top;
    add_text(svg, plot_left, y, "Parameters (as answered)", "font-size=\"12\" font-weight=\"bold\" fill=\"#333\"");
    for (const std::string& line : caption) {
        y += caption_line;
        add_text(svg, plot_left, y, line, "font-size=\"12\" fill=\"#333\"");
    }
    if (wrapped > 0)
        add_text(svg, plot_left, y + caption_line,
                 "Counts wrapped around 32 bits in " + std::to_string(wrapped) + " of the " + streams +
                     " streams; those show the wrapped values.",
                 "font-size=\"12\" fill=\"" + std::string(extinct_colour) + "\"");
    svg += "</svg>\n";
    return svg;
}

}  // namespace zemrath::results
