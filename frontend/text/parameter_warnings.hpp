// The words for a parameter value that lies outside its meaning: a
// probability above 1, a carrying capacity of -400, a negative number of
// generations, NaN. The console program runs every value as given and says
// nothing; the tools made for exploring (zemrath-ensemble, zemrath-sweep,
// zemrath-explore, the R package) run it the same way and warn once per
// parameter, all in these words.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "zemrath/parameters.hpp"

namespace zemrath::text {

// The answers whose value lies outside its meaning (is_sensible), in prompt
// order, each once.
std::vector<std::size_t> answers_outside_meaning(const parameter_set& answers);

// Where a parameter has a meaning, for people: "a probability, 0 to 1",
// or the range after the unit: "individuals, above 0", "years, 0 or more".
std::string meaning_words(std::size_t answer);

// A range alone: "a probability, 0 to 1", "above 0", "0 or more", "at
// least 1 and at most 4".
std::string range_words(const sensible_range& range);

// A value as the warnings quote it: the shortest text that reads back to
// it, the whole answers as whole numbers, "nan" and "inf" as the prompts
// take them.
std::string warned_value(const parameter_set& answers, std::size_t answer);

// The warning about answer `answer`, after what the tool calls the value
// ("--adult-survival 1.5", "adult-survival 1.5 at point 3"):
// "--adult-survival 1.5 lies outside its meaning (a probability, 0 to 1);
// it is used as given".
std::string outside_meaning_text(std::string_view subject, std::size_t answer);

}  // namespace zemrath::text
