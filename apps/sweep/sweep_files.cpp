#include "sweep/sweep_files.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

#include "results/csv_tables.hpp"
#include "results/file_set.hpp"
#include "sweep/point_record.hpp"
#include "sweep/sweep_svg.hpp"
#include "text/sweep_text.hpp"
#include "zemrath/design.hpp"
#include "zemrath/real_text.hpp"
#include "zemrath/sweep_analysis.hpp"

namespace zemrath::sweep {

namespace {

constexpr const char* sensitivity_file_name = "sensitivity.csv";
constexpr const char* variance_share_file_name = "variance-share.csv";
constexpr const char* by_generation_file_name = "sensitivity-by-generation.csv";
constexpr const char* by_generation_figure_name = "sensitivity-by-generation.svg";

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

// point, the varied parameters as points.csv names and writes them, then
// the outcomes: each line says which point it is without a join.
void write_outcomes(results::file_set& set, const experiment& plan, std::span<const parameter_set> points,
                    std::span<const point_outcomes> outcomes) {
    results::staged_file& file = results::add_file(set, "outcomes.csv");
    std::string header = "point";
    for (const varied_parameter& parameter : plan.design.varied) {
        header += ',';
        header += answer_fields[parameter.answer].name;
    }
    results::write_to(set, file, header + outcome_columns_header() + '\n');
    for (std::size_t point = 0; point < outcomes.size(); ++point) {
        std::string line = std::to_string(point);
        for (const varied_parameter& parameter : plan.design.varied) {
            line += ',';
            line += answer_text(points[point], parameter.answer);
        }
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

// The header and the lines of a table of effects or indices: the
// parameter, the outcome, then the entry's values by its columns.
template <typename Entry, typename Columns>
void write_entries(results::file_set& set, results::staged_file& file, const experiment& plan,
                   const std::vector<Entry>& entries, const Columns& columns) {
    std::string header = "parameter,outcome";
    for (const auto& column : columns) {
        header += ',';
        header += column.name;
    }
    results::write_to(set, file, header + '\n');
    for (const Entry& entry : entries) {
        std::string line = parameter_name(plan, entry.parameter);
        line += ',';
        line += outcome_columns[entry.outcome].name;
        for (const auto& column : columns) {
            const double value = entry.*column.field;
            line += ',';
            line += column.may_be_missing ? outcome_text(value) : real_text(value);
        }
        results::write_to(set, file, line + '\n');
    }
}

void write_sensitivity(results::file_set& set, const experiment& plan, const sweep_analysis& analysis) {
    results::staged_file& file = results::add_file(set, sensitivity_file_name);
    switch (plan.design.kind) {
    case design_kind::one_at_a_time: return write_entries(set, file, plan, analysis.effects, effect_columns);
    case design_kind::morris: return write_entries(set, file, plan, analysis.screening, morris_effect_columns);
    case design_kind::latin_hypercube:
        return write_entries(set, file, plan, analysis.correlations, rank_correlation_columns);
    case design_kind::grid: return;
    case design_kind::sobol:
    case design_kind::efast: return write_entries(set, file, plan, analysis.indices, sobol_index_columns);
    }
}

// generation, parameter, outcome, then the entry's values, for the
// outcomes over time.
template <typename Entry, typename Columns>
std::string entries_over_time(const experiment& plan, const indices_over_time& over_time,
                              std::vector<Entry> sweep_analysis::*entries, const Columns& columns) {
    const std::vector<std::size_t> followed = outcomes_over_time();
    std::string text = "generation,parameter,outcome";
    for (const auto& column : columns) {
        text += ',';
        text += column.name;
    }
    text += '\n';
    for (const generation_analysis& at : over_time)
        for (const Entry& entry : at.analysis.*entries) {
            if (std::find(followed.begin(), followed.end(), entry.outcome) == followed.end()) continue;
            text += std::to_string(at.generation) + "," + parameter_name(plan, entry.parameter) + "," +
                    std::string(outcome_columns[entry.outcome].name);
            for (const auto& column : columns) {
                text += ',';
                text += outcome_text(entry.*column.field);
            }
            text += '\n';
        }
    return text;
}

std::string by_generation_csv(const experiment& plan, const indices_over_time& over_time) {
    if (plan.design.kind == design_kind::morris)
        return entries_over_time(plan, over_time, &sweep_analysis::screening, morris_effect_columns);
    return entries_over_time(plan, over_time, &sweep_analysis::indices, sobol_index_columns);
}

void write_variance_shares(results::file_set& set, const sweep_analysis& analysis) {
    std::string text = "outcome,total_variance,points_share,streams_share\n";
    for (const variance_share& share : analysis.variance)
        text += std::string(outcome_columns[share.outcome].name) + "," + outcome_text(share.total_variance) + "," +
                outcome_text(share.points_share) + "," + outcome_text(share.streams_share) + "\n";
    results::write_to(set, results::add_file(set, variance_share_file_name), text);
}

// A generation of which every statistic is missing.
generation_summary missing_generation() {
    const std::vector<double> missing(summary_column_names().size(), std::numeric_limits<double>::quiet_NaN());
    return summary_from_column_values(0, missing);
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

std::vector<generation_summary> kept_last_generations(const point_store& store, std::size_t points) {
    std::vector<generation_summary> last;
    for (std::size_t point = 0; point < points; ++point) {
        const std::optional<generation_summary> summary = last_summary_in_record(point_record(store, point));
        last.push_back(summary ? *summary : missing_generation());
    }
    return last;
}

indices_over_time kept_indices_over_time(const experiment& plan, std::span<const parameter_set> points,
                                         const point_store& store) {
    if (!follows_generations(plan.design.kind)) return {};
    // Each record read once, keeping only the outcomes over time.
    std::vector<point_over_time> kept(points.size());
    for (std::size_t point = 0; point < points.size(); ++point)
        for (const generation_summary& g : summaries_in_record(point_record(store, point)))
            if (g.generation >= 0 && static_cast<std::size_t>(g.generation) == kept[point].size())
                kept[point].push_back(values_over_time(g));
    return analyse_generations(plan.design, kept);
}

std::vector<point_outcomes> kept_outcomes_at(const point_store& store, std::size_t points, std::int32_t generation) {
    std::vector<point_outcomes> outcomes;
    for (std::size_t point = 0; point < points; ++point) {
        const std::optional<generation_summary> summary = summary_in_record(point_record(store, point), generation);
        outcomes.push_back(summary ? outcomes_at(*summary) : outcomes_at(missing_generation()));
    }
    return outcomes;
}

void write_sweep_files(const std::filesystem::path& directory, const experiment& plan,
                       std::span<const parameter_set> points, const point_store& store,
                       const sweep_analysis& analysis, const indices_over_time& over_time,
                       const std::string& figure) {
    const bool sensitivity = has_sensitivity(plan.design.kind);
    const bool followed = follows_generations(plan.design.kind);
    results::file_set set(directory);
    results::write_to(set, results::add_file(set, "points.csv"), points_csv(points));
    write_summary(set, store, points.size());
    write_outcomes(set, plan, points, analysis.outcomes);
    if (sensitivity) write_sensitivity(set, plan, analysis);
    write_variance_shares(set, analysis);
    if (followed) {
        results::write_to(set, results::add_file(set, by_generation_file_name), by_generation_csv(plan, over_time));
        results::write_to(set, results::add_file(set, by_generation_figure_name),
                          sensitivity_over_time_svg(plan, points, over_time));
    }
    results::write_to(set, results::add_file(set, "sweep.svg"), figure);
    std::vector<std::string> stale;
    if (!sensitivity) stale.push_back(sensitivity_file_name);
    if (!followed) stale.insert(stale.end(), {by_generation_file_name, by_generation_figure_name});
    results::commit(set, stale);
}

std::string sweep_text_summary(const experiment& plan, std::span<const parameter_set> points,
                               const sweep_analysis& analysis, const std::filesystem::path& directory) {
    std::string files = "points.csv, summary.csv, outcomes.csv";
    if (has_sensitivity(plan.design.kind)) files += ", sensitivity.csv";
    if (follows_generations(plan.design.kind)) files += ", sensitivity-by-generation.csv, sensitivity-by-generation.svg";
    files += ", variance-share.csv, sweep.svg";
    return text::sweep_summary_text(plan.design, plan.seeds, points.size(), analysis) + "written to " +
           directory.string() + ": " + files + "\n";
}

}  // namespace zemrath::sweep
