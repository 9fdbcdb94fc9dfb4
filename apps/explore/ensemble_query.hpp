// What a request asks the explorer to run: the ten parameters and the
// streams, named as the options of zemrath-ensemble are (without their
// dashes: "adult-survival", "seeds"), from the JSON body of a POST or from
// the query of a GET. Values are read with the prompts' answer syntax, and a
// bad one is refused in the words zemrath-ensemble uses for it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "zemrath/answer_reader.hpp"

namespace zemrath::explore {

// The most rows (streams times generations plus one) that one computation
// may keep, about 170 MB of them: the bound that keeps a request from
// taking the machine's memory, whatever its generations.
inline constexpr std::size_t max_rows = 10'000'000;

struct ensemble_query {
    partial_answers answers;          // every one given, with its text
    std::vector<std::int32_t> seeds;  // ascending; every seed unless asked otherwise
    // Who asks, when it says so: a page's own name for itself, so that it
    // can take back its computation when it closes. Not part of the key.
    std::string client;
};

// A client's name: 1 to 64 letters, digits, '-' and '_'.
inline constexpr std::size_t max_client_length = 64;

// Field names and their values as text.
using query_fields = std::vector<std::pair<std::string, std::string>>;

// The fields of a body {"parameters": {"adult-survival": "0.5", ...},
// "seeds": "0-999", "client": "..."}: each value a string in the answer
// syntax or a JSON number (written as the shortest text that reads back to
// it), the client a string. Throws refusal 400 when the body is not such an
// object.
query_fields fields_from_json(std::string_view body);

// Reads the fields. Throws refusal 400 naming the first problem: an unknown
// or repeated field, a value the prompt would not take (the first in prompt
// order), missing parameters, a bad seed list, a client that is no name, or
// more rows than max_rows.
ensemble_query read_query(const query_fields& fields);

// The client of a body {"client": "..."} (POST /api/cancel). Throws refusal
// 400 when the body is not such an object or the client no name.
std::string client_from_json(std::string_view body);

// The same text for queries that compute the same files, down to the
// answers as written.
std::string query_key(const ensemble_query& query);

}  // namespace zemrath::explore
