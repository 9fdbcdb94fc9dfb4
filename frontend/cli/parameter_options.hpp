// The ten parameters as the tools name them outside the prompts: an option
// (or request field) per answer, what it means and its unit, and the words
// for a value that cannot be read or a parameter that is not given, so that
// every tool says the same thing about the same mistake.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "zemrath/answer_reader.hpp"
#include "zemrath/parameters.hpp"

namespace zemrath::cli {

// The option that sets a parameter: "--" and its key
// ("--embryo-larval-survival").
std::string parameter_option_name(std::size_t answer_index);

// The prompt without the blank some prompts begin with and the colon some
// end with.
std::string_view bare_prompt(std::string_view prompt);

// Reads answer `index` from text with the prompts' syntax into `into`. On
// failure `into` is left as it was and the message is returned:
// "--adult-survival: 'abc' is not a number the prompt would take (Bad real
// number in item 1 of list input)".
std::optional<std::string> read_parameter_text(std::string_view text, std::size_t answer_index,
                                               partial_answers& into);

// The parameters not given, by option name: "missing parameter --generations"
// or "missing parameters --embryo-larval-survival, --generations"; empty
// when every one is given.
std::string missing_parameters(const partial_answers& answers);

}  // namespace zemrath::cli
