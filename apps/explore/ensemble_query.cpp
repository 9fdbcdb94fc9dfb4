#include "explore/ensemble_query.hpp"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <optional>

#include <nlohmann/json.hpp>

#include "cli/option_checks.hpp"
#include "cli/parameter_options.hpp"
#include "explore/refusal.hpp"
#include "zemrath/seed_list.hpp"

namespace zemrath::explore {

namespace {

constexpr std::string_view seeds_field = "seeds";
constexpr std::string_view client_field = "client";

[[noreturn]] void refuse(std::string message, std::string_view field = {}) {
    throw refusal{400, std::move(message), std::string(field)};
}

std::vector<std::string> known_options() {
    std::vector<std::string> names;
    for (std::size_t i = 0; i < answer_fields.size(); ++i) names.push_back(cli::parameter_option_name(i));
    names.push_back("--" + std::string(seeds_field));
    return names;
}

// A JSON number as the shortest decimal that reads back to the same value.
std::string number_text(const nlohmann::json& value) {
    if (!value.is_number_float()) return value.dump();
    char text[32];
    const auto result = std::to_chars(std::begin(text), std::end(text), value.get<double>());
    return std::string(text, result.ptr);
}

std::string value_text(const std::string& name, const nlohmann::json& value) {
    if (value.is_string()) return value.get<std::string>();
    if (value.is_number()) return number_text(value);
    refuse("--" + name + ": the value must be a string or a number, not " + std::string(value.type_name()), name);
}

// The parameters in prompt order, the seeds and the client, each given at
// most once.
struct named_texts {
    std::array<std::optional<std::string>, answer_fields.size()> parameters;
    std::optional<std::string> seeds;
    std::optional<std::string> client;
};

named_texts sort_fields(const query_fields& fields) {
    named_texts sorted;
    for (const auto& [name, text] : fields) {
        std::optional<std::string>* slot = nullptr;
        if (name == seeds_field) slot = &sorted.seeds;
        if (name == client_field) slot = &sorted.client;
        if (const std::size_t i = answer_key_index(name); i < answer_fields.size()) slot = &sorted.parameters[i];
        if (slot == nullptr) refuse(cli::unknown_option_message("--" + name, known_options()), name);
        if (*slot) refuse("--" + name + " is given twice", name);
        *slot = text;
    }
    return sorted;
}

std::string checked_client(const std::string& client) {
    const bool name = !client.empty() && client.size() <= max_client_length &&
                      std::all_of(client.begin(), client.end(), [](unsigned char c) {
                          return std::isalnum(c) || c == '-' || c == '_';
                      });
    if (!name)
        refuse("client: a client is named by 1 to " + std::to_string(max_client_length) +
                   " letters, digits, '-' and '_'",
               client_field);
    return client;
}

std::string client_text(const nlohmann::json& value) {
    if (!value.is_string()) refuse("\"client\" must be a string", client_field);
    return checked_client(value.get<std::string>());
}

void check_rows(const ensemble_query& query) {
    const std::size_t rows = rows_per_stream(derive_model_parameters(query.answers.values));
    if (rows <= max_rows / query.seeds.size()) return;
    refuse("--generations: " + std::to_string(query.answers.values.generations) + " generations of " +
           std::to_string(query.seeds.size()) + " streams are more rows than the explorer keeps at once (" +
           std::to_string(max_rows) + "); ask for fewer generations or seeds",
           answer_fields[answer_index("generations")].key);
}

}  // namespace

query_fields fields_from_json(std::string_view body) {
    const nlohmann::json document = nlohmann::json::parse(body, nullptr, false);
    if (document.is_discarded()) refuse("the body is not JSON");
    if (!document.is_object()) refuse("the body is not a JSON object");
    query_fields fields;
    for (const auto& [key, value] : document.items()) {
        if (key == seeds_field) {
            fields.emplace_back(key, value_text(key, value));
        } else if (key == client_field) {
            fields.emplace_back(key, client_text(value));
        } else if (key == "parameters") {
            if (!value.is_object()) refuse("\"parameters\" must be an object of the ten parameters");
            for (const auto& [name, parameter] : value.items()) fields.emplace_back(name, value_text(name, parameter));
        } else {
            refuse("unknown field \"" + key + "\" (the body holds \"parameters\", \"seeds\" and \"client\")");
        }
    }
    return fields;
}

ensemble_query read_query(const query_fields& fields) {
    const named_texts texts = sort_fields(fields);
    ensemble_query query;
    for (std::size_t i = 0; i < answer_fields.size(); ++i)
        if (texts.parameters[i])
            if (auto message = cli::read_parameter_text(*texts.parameters[i], i, query.answers))
                refuse(*message, answer_fields[i].key);
    if (const std::string missing = cli::missing_parameters(query.answers); !missing.empty()) {
        const auto first = std::find(query.answers.given.begin(), query.answers.given.end(), false);
        refuse(missing, answer_fields[static_cast<std::size_t>(first - query.answers.given.begin())].key);
    }
    query.seeds = all_seeds();
    if (texts.seeds) {
        std::string reason;
        std::optional<std::vector<std::int32_t>> seeds = parse_seed_list(*texts.seeds, reason);
        if (!seeds) refuse("--seeds: " + reason, seeds_field);
        query.seeds = std::move(*seeds);
    }
    if (texts.client) query.client = checked_client(*texts.client);
    check_rows(query);
    return query;
}

std::string client_from_json(std::string_view body) {
    const nlohmann::json document = nlohmann::json::parse(body, nullptr, false);
    if (document.is_discarded() || !document.is_object() || document.size() != 1 || !document.contains(client_field))
        refuse("the body must be {\"client\": \"...\"}");
    return client_text(document.at(client_field));
}

std::string query_key(const ensemble_query& query) {
    std::string key;
    for (const std::string& text : query.answers.texts) key += text + '\n';
    return key + format_seed_list(query.seeds);
}

}  // namespace zemrath::explore
