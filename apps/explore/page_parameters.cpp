#include "explore/page_parameters.hpp"

#include <array>

#include <nlohmann/json.hpp>

#include "cli/parameter_options.hpp"
#include "explore/ensemble_query.hpp"
#include "zemrath/seed_list.hpp"
#include "zemrath/version.hpp"

namespace zemrath::explore {

namespace {

// The span a slider covers; the number field beside it takes any value.
// Probabilities run from 0 to 1; quantities that matter by their order of
// magnitude run on a log scale.
struct slider_range {
    double low;
    double high;
    bool logarithmic;
};

constexpr std::array<slider_range, answer_fields.size()> slider_ranges = {{
    {0, 1, false},        // embryo-larval survival
    {0, 1, false},        // maximum juvenile survival
    {0, 1, false},        // adult survival
    {10, 1e7, true},      // carrying capacity
    {0.1, 100, true},     // rate of weight increase
    {0.001, 100, true},   // growth inhibition
    {0.001, 100, true},   // weight at one year
    {1, 100, false},      // maximal reproduction age
    {0.01, 100, true},    // fecundity rate
    {1, 5000, true},      // generations: 1000 streams of 5000 stay within max_rows
}};

}  // namespace

std::string parameters_json(const partial_answers& start) {
    nlohmann::ordered_json parameters = nlohmann::ordered_json::array();
    for (std::size_t i = 0; i < answer_fields.size(); ++i) {
        const std::string option = cli::parameter_option_name(i);
        const slider_range& slider = slider_ranges[i];
        nlohmann::ordered_json parameter;
        parameter["name"] = option.substr(2);
        parameter["option"] = option;
        parameter["prompt"] = std::string(cli::bare_prompt(answer_fields[i].prompt));
        parameter["note"] = std::string(cli::parameter_notes[i]);
        parameter["whole"] = answer_fields[i].integer != nullptr;
        parameter["value"] = start.texts[i];
        parameter["slider"] = {{"low", slider.low}, {"high", slider.high}, {"log", slider.logarithmic}};
        parameters.push_back(std::move(parameter));
    }
    nlohmann::ordered_json document;
    document["parameters"] = std::move(parameters);
    document["seeds"] = format_seed_list(all_seeds());
    document["max_rows"] = max_rows;
    document["version"] = std::string(version);
    return document.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

}  // namespace zemrath::explore
