#include "explore/api_responses.hpp"

#include <nlohmann/json.hpp>

#include "results/csv_tables.hpp"
#include "zemrath/seed_list.hpp"
#include "zemrath/text_summary.hpp"

namespace zemrath::explore {

namespace {

using ordered_json = nlohmann::ordered_json;

// Messages can quote what a request sent, which need not be UTF-8.
std::string dump(const ordered_json& document) {
    return document.dump(-1, ' ', false, ordered_json::error_handler_t::replace);
}

}  // namespace

std::string ensemble_json(const computed_ensemble& result) {
    const std::vector<std::string> columns = summary_column_names();
    ordered_json summary = ordered_json::array();
    for (const generation_summary& generation : result.summary.generations) {
        ordered_json row;
        row["generation"] = generation.generation;
        const std::vector<double> values = summary_column_values(generation);
        for (std::size_t i = 0; i < columns.size(); ++i) row[columns[i]] = values[i];
        summary.push_back(std::move(row));
    }
    ordered_json document;
    document["summary"] = std::move(summary);
    document["text"] = text_summary(result.runs, result.summary);
    document["streams"] = result.runs.seeds.size();
    document["seeds"] = format_seed_list(result.runs.seeds);
    document["seconds"] = result.seconds;
    return dump(document);
}

std::string progress_json(const computation_progress& progress) {
    ordered_json document;
    document["running"] = progress.running;
    document["done"] = progress.done;
    document["total"] = progress.total;
    return dump(document);
}

std::string error_json(std::string_view message) {
    ordered_json document;
    document["error"] = std::string(message);
    return dump(document);
}

}  // namespace zemrath::explore
