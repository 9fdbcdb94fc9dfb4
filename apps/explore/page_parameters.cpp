#include "explore/page_parameters.hpp"

#include <nlohmann/json.hpp>

#include "cli/parameter_options.hpp"
#include "explore/ensemble_query.hpp"
#include "zemrath/seed_list.hpp"
#include "zemrath/version.hpp"

namespace zemrath::explore {

std::string parameters_json(const partial_answers& start) {
    nlohmann::ordered_json parameters = nlohmann::ordered_json::array();
    for (std::size_t i = 0; i < answer_fields.size(); ++i) {
        const answer_field& field = answer_fields[i];
        nlohmann::ordered_json parameter;
        parameter["name"] = std::string(field.key);
        parameter["option"] = cli::parameter_option_name(i);
        parameter["prompt"] = std::string(cli::bare_prompt(field.prompt));
        parameter["note"] = std::string(field.meaning);
        parameter["whole"] = field.integer != nullptr;
        parameter["value"] = start.texts[i];
        parameter["slider"] = {{"low", field.slider.low}, {"high", field.slider.high}, {"log", field.slider.logarithmic}};
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
