// What the page is told about the ten parameters, so that it builds its
// form from the same names, prompts and units as the command-line tools.
#pragma once

#include <string>

#include "zemrath/answer_reader.hpp"

namespace zemrath::explore {

// {"parameters": [{"name": "embryo-larval-survival", "option":
// "--embryo-larval-survival", "prompt": ..., "note": ..., "whole": false,
// "value": the starting text, "slider": {"low": 0, "high": 1, "log":
// false}}, ...], "seeds": "0-999", "max_rows": ..., "version": ...}
std::string parameters_json(const partial_answers& start);

}  // namespace zemrath::explore
