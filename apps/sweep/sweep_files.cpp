#include "sweep/sweep_files.hpp"

#include <cstdio>

#include "results/csv_tables.hpp"
#include "results/file_set.hpp"
#include "sweep/point_record.hpp"
#include "sweep/sweep_svg.hpp"
#include "zemrath/design.hpp"
#include "zemrath/real_text.hpp"
#include "zemrath/seed_list.hpp"
#include "zemrath/sweep_analysis.hpp"

namespace zemrath::sweep {

namespace {

constexpr const char* sensitivity_file_name = "sensitivity.csv";

std::string answer_text(const parameter_set& answers, std::size_t answer) {
    const answer_field& field = answer_fields[answer];
    return field.real != nullptr ? real_text(answers.*field.real) : std::to_string(answers.*field.integer);
}

std::string outcome_columns_header() {
    std::string header;
    for (const outcome_column& column : outcome_columns) {
        header += ',';
        header += column.name;
    }
    return header;
}

void write_outcomes(results::file_set& set, std::span<const point_outcomes> outcomes) {
    results::staged_file& file = results::add_file(set, "outcomes.csv");
    results::write_to(set, file, "point" + outcome_columns_header() + '\n');
    for (std::size_t point = 0; point < outcomes.size(); ++point) {
        std::string line = std::to_string(point);
        for (const outcome_column& column : outcome_columns) {
            line += ',';
            line += outcome_text(outcomes[point].*column.field);
        }
        results::write_to(set, file, line + '\n');
    }
}

void write_summary(results::file_set& set, const point_store& store, std::size_t points) {
    results::staged_file& file = results::add_file(set, "summary.csv");
    results::write_to(set, file, "point,generation," + results::summary_columns() + "\n");
    for (std::size_t point = 0; point < points; ++point) {
        const std::string record = point_record(store, point);
        const std::string prefix = std::to_string(point) + ",";
        std::string_view lines = summary_lines_in_record(record);
        std::string text;
        for (std::size_t start = 0; start < lines.size();) {
            const std::size_t end = lines.find('\n', start) + 1;
            text += prefix;
            text += lines.substr(start, end - start);
            start = end;
        }
        results::write_to(set, file, text);
    }
}

std::string parameter_name(const experiment& plan, std::size_t parameter) {
    return parameter_key(plan.design.varied[parameter].answer);
}

void write_sensitivity(results::file_set& set, const experiment& plan, const sweep_analysis& analysis) {
    results::staged_file& file = results::add_file(set, sensitivity_file_name);
    if (plan.design.kind == design_kind::one_at_a_time) {
        results::write_to(set, file, "parameter,outcome,low_value,high_value,at_base,at_low,at_high\n");
        for (const one_at_a_time_effect& e : analysis.effects)
            results::write_to(set, file,
                              parameter_name(plan, e.parameter) + "," + std::string(outcome_columns[e.outcome].name) +
                                  "," + real_text(e.low_value) + "," + real_text(e.high_value) + "," +
                                  outcome_text(e.at_base) + "," + outcome_text(e.at_low) + "," +
                                  outcome_text(e.at_high) + "\n");
        return;
    }
    results::write_to(set, file,
                      "parameter,outcome,first_order,first_order_low,first_order_high,total_order,total_order_low,"
                      "total_order_high\n");
    for (const sobol_index& i : analysis.indices)
        results::write_to(set, file,
                          parameter_name(plan, i.parameter) + "," + std::string(outcome_columns[i.outcome].name) + "," +
                              outcome_text(i.first_order) + "," + outcome_text(i.first_order_low) + "," +
                              outcome_text(i.first_order_high) + "," + outcome_text(i.total_order) + "," +
                              outcome_text(i.total_order_low) + "," + outcome_text(i.total_order_high) + "\n");
}

// For people: three significant digits are what an index estimate carries.
std::string three_digits(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3g", value);
    return text;
}

}  // namespace

std::string points_csv(std::span<const parameter_set> points) {
    std::string text = "point";
    for (const answer_field& field : answer_fields) {
        text += ',';
        text += field.name;
    }
    text += '\n';
    for (std::size_t point = 0; point < points.size(); ++point) {
        text += std::to_string(point);
        for (std::size_t answer = 0; answer < answer_fields.size(); ++answer) {
            text += ',';
            text += answer_text(points[point], answer);
        }
        text += '\n';
    }
    return text;
}

std::vector<point_outcomes> kept_outcomes(const point_store& store, std::size_t points) {
    std::vector<point_outcomes> outcomes;
    for (std::size_t point = 0; point < points; ++point) outcomes.push_back(outcomes_in_record(point_record(store, point)));
    return outcomes;
}

void write_sweep_files(const std::filesystem::path& directory, const experiment& plan,
                       std::span<const parameter_set> points, const point_store& store,
                       const sweep_analysis& analysis) {
    const bool sensitivity = has_sensitivity(plan.design.kind);
    results::file_set set(directory);
    results::write_to(set, results::add_file(set, "points.csv"), points_csv(points));
    write_summary(set, store, points.size());
    write_outcomes(set, analysis.outcomes);
    if (sensitivity) write_sensitivity(set, plan, analysis);
    results::write_to(set, results::add_file(set, "sweep.svg"), sweep_svg(plan, points, analysis));
    results::commit(set, sensitivity ? std::vector<std::string>{} : std::vector<std::string>{sensitivity_file_name});
}

std::string sweep_text_summary(const experiment& plan, std::span<const parameter_set> points,
                               const sweep_analysis& analysis, const std::filesystem::path& directory) {
    std::string varied;
    for (std::size_t j = 0; j < plan.design.varied.size(); ++j) varied += (j ? ", " : "") + parameter_name(plan, j);
    std::string text = "points: " + std::to_string(points.size()) + " (" + std::string(design_kind_name(plan.design.kind)) +
                       " over " + varied + "), seeds " + format_seed_list(plan.seeds) + "\n";
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
        if (i.outcome == 0)
            text += "extinct_fraction, " + parameter_name(plan, i.parameter) + ": first-order " +
                    three_digits(i.first_order) + " [" + three_digits(i.first_order_low) + ", " +
                    three_digits(i.first_order_high) + "], total-order " + three_digits(i.total_order) + " [" +
                    three_digits(i.total_order_low) + ", " + three_digits(i.total_order_high) + "]\n";
    std::string files = "points.csv, summary.csv, outcomes.csv";
    if (has_sensitivity(plan.design.kind)) files += ", sensitivity.csv";
    return text + "written to " + directory.string() + ": " + files + ", sweep.svg\n";
}

}  // namespace zemrath::sweep
