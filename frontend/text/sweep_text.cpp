#include "text/sweep_text.hpp"

#include <cmath>
#include <cstdio>

#include "zemrath/outcomes.hpp"
#include "zemrath/parameters.hpp"
#include "zemrath/real_text.hpp"
#include "zemrath/seed_list.hpp"

namespace zemrath::text {

namespace {

// For people: three significant digits are what an index estimate carries.
std::string three_digits(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3g", value);
    return text;
}

// An estimate with its interval; an interval that no resample defines is
// said to be missing.
std::string estimate_text(const char* name, double value, double low, double high) {
    std::string text = std::string(name) + " " + three_digits(value);
    if (std::isnan(low) || std::isnan(high)) return text + " [no interval]";
    return text + " [" + three_digits(low) + ", " + three_digits(high) + "]";
}

// "first-order 0.12 [0.05, 0.2], total-order ...", or why there is no index.
std::string index_text(const sobol_index& i) {
    const std::string outcome(outcome_columns[i.outcome].name);
    switch (i.defined) {
    case index_definition::outcome_constant: return "no index: " + outcome + " does not vary";
    case index_definition::outcome_missing: return "no index: " + outcome + " is missing at some points";
    case index_definition::defined: break;
    }
    return estimate_text("first-order", i.first_order, i.first_order_low, i.first_order_high) + ", " +
           estimate_text("total-order", i.total_order, i.total_order_low, i.total_order_high);
}

std::string varied_key(const experiment_design& design, std::size_t parameter) {
    return std::string(answer_fields[design.varied[parameter].answer].key);
}

std::string screening_text(const morris_effect& e) {
    if (e.defined == index_definition::outcome_missing)
        return "no effects: " + std::string(outcome_columns[e.outcome].name) + " is missing at some points";
    return estimate_text("mu_star", e.mu_star, e.mu_star_low, e.mu_star_high) + ", sigma " + three_digits(e.sigma);
}

std::string correlation_text(const partial_rank_correlation& c) {
    const std::string outcome(outcome_columns[c.outcome].name);
    switch (c.defined) {
    case index_definition::outcome_constant: return "no coefficient: " + outcome + " does not vary";
    case index_definition::outcome_missing: return "no coefficient: " + outcome + " is missing at some points";
    case index_definition::defined: break;
    }
    if (std::isnan(c.prcc)) return "no coefficient: the parameters' ranks depend on one another";
    return "PRCC " + three_digits(c.prcc) + " (p-value " + (std::isnan(c.prcc_p_value) ? "missing" : three_digits(c.prcc_p_value)) +
           ")";
}

// "the streams' share of the adults' variance at the last generation: 0.234
// (the points' 0.766)".
std::string variance_text(const std::vector<variance_share>& shares) {
    for (const variance_share& share : shares) {
        if (outcome_columns[share.outcome].field != &point_outcomes::adults_mean) continue;
        if (std::isnan(share.streams_share)) return "the streams' share of the adults' variance at the last generation: none (the adults do not vary)\n";
        return "the streams' share of the adults' variance at the last generation: " + three_digits(share.streams_share) +
               " (the points' " + three_digits(share.points_share) + ")\n";
    }
    return {};
}

}  // namespace

std::string sweep_summary_text(const experiment_design& design, const std::vector<std::int32_t>& seeds,
                               std::size_t points, const sweep_analysis& analysis) {
    std::string varied;
    for (std::size_t j = 0; j < design.varied.size(); ++j) varied += (j ? ", " : "") + varied_key(design, j);
    std::string text = "points: " + std::to_string(points) + " (" + std::string(design_kind_name(design.kind)) +
                       " over " + varied + "), seeds " + format_seed_list(seeds) + "\n";
    for (std::size_t j : {std::size_t{0}, std::size_t{1}}) {
        const outcome_column& column = outcome_columns[j];
        const outcome_extremes& at = analysis.extremes[j];
        if (!at.any) continue;
        text += std::string(column.name) + " at the last generation: from " +
                real_text(analysis.outcomes[at.lowest].*column.field) + " (point " + std::to_string(at.lowest) +
                ") to " + real_text(analysis.outcomes[at.highest].*column.field) + " (point " +
                std::to_string(at.highest) + ")\n";
    }
    for (const sobol_index& i : analysis.indices)
        if (i.outcome == 0) text += "extinct_fraction, " + varied_key(design, i.parameter) + ": " + index_text(i) + "\n";
    for (const morris_effect& e : analysis.screening)
        if (e.outcome == 0) text += "extinct_fraction, " + varied_key(design, e.parameter) + ": " + screening_text(e) + "\n";
    for (const partial_rank_correlation& c : analysis.correlations)
        if (c.outcome == 0)
            text += "extinct_fraction, " + varied_key(design, c.parameter) + ": " + correlation_text(c) + "\n";
    return text + variance_text(analysis.variance);
}

}  // namespace zemrath::text
