#include "explore/api_responses.hpp"

#include <nlohmann/json.hpp>

#include <cmath>

#include "results/csv_tables.hpp"
#include "zemrath/seed_list.hpp"
#include "cli/parameter_options.hpp"
#include "text/ensemble_text.hpp"
#include "text/parameter_warnings.hpp"

namespace zemrath::explore {

namespace {

using ordered_json = nlohmann::ordered_json;

// A missing value (not a number) is null.
ordered_json number_or_null(double value) { return std::isnan(value) ? ordered_json(nullptr) : ordered_json(value); }

ordered_json outcomes_json(const ensemble_analysis& analysis) {
    ordered_json outcomes;
    for (const outcome_column& column : outcome_columns)
        outcomes[std::string(column.name)] = number_or_null(analysis.outcomes.*column.field);
    return outcomes;
}

// Messages can quote what a request sent, which need not be UTF-8.
std::string dump(const ordered_json& document) {
    return document.dump(-1, ' ', false, ordered_json::error_handler_t::replace);
}

std::string warning_text(const parameter_set& answers, std::size_t answer) {
    return text::outside_meaning_text(cli::parameter_option_name(answer) + " " + text::warned_value(answers, answer),
                                      answer);
}

}  // namespace

std::string ensemble_json(const computed_ensemble& result) {
    const std::vector<std::string> columns = summary_column_names();
    ordered_json summary = ordered_json::array();
    const ensemble_analysis& analysis = result.analysis;
    for (const generation_summary& generation : analysis.summary.generations) {
        ordered_json row;
        row["generation"] = generation.generation;
        const std::vector<double> values = summary_column_values(generation);
        for (std::size_t i = 0; i < columns.size(); ++i) row[columns[i]] = values[i];
        summary.push_back(std::move(row));
    }
    ordered_json document;
    document["summary"] = std::move(summary);
    document["outcomes"] = outcomes_json(analysis);
    document["extinct_streams"] = analysis.extinct_streams;
    document["wrapped_streams"] = analysis.wrapped_streams;
    document["first_wrapped_generation"] =
        analysis.first_wrapped_generation ? ordered_json(*analysis.first_wrapped_generation) : ordered_json(nullptr);
    document["text"] = text::ensemble_summary_text(analysis);
    document["streams"] = analysis.seeds.size();
    document["seeds"] = format_seed_list(analysis.seeds);
    document["seconds"] = result.seconds;
    document["result"] = result.id;
    ordered_json warnings = ordered_json::array();
    for (std::size_t answer : text::answers_outside_meaning(result.answers.values))
        warnings.push_back({{"field", std::string(answer_fields[answer].key)},
                            {"message", warning_text(result.answers.values, answer)}});
    document["warnings"] = std::move(warnings);
    return dump(document);
}

std::vector<std::string> parameter_warnings(const parameter_set& answers) {
    std::vector<std::string> warnings;
    for (std::size_t answer : text::answers_outside_meaning(answers)) warnings.push_back(warning_text(answers, answer));
    return warnings;
}

std::string progress_json(const computation_progress& progress) {
    ordered_json document;
    document["running"] = progress.running;
    document["done"] = progress.done;
    document["total"] = progress.total;
    return dump(document);
}

std::string error_json(std::string_view message, std::string_view field) {
    ordered_json document;
    document["error"] = std::string(message);
    if (!field.empty()) document["field"] = std::string(field);
    return dump(document);
}

}  // namespace zemrath::explore
