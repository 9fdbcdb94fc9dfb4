// The ten answers read outside the dialogue, in the console program's answer
// syntax: from a file that a user would feed to zemrath on standard input, and
// one answer at a time from a command-line value.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "driver/dialogue.hpp"
#include "driver/parameter_set.hpp"

namespace zemrath::ensemble {

// A parameter set being put together, with the answers given so far. A field
// that is not given holds 0, as in the dialogue before its prompt.
struct partial_parameters {
    parameter_set values{};
    std::array<bool, dialogue_questions.size()> given{};
};

// Reads answers in dialogue order from the file, exactly as the console
// program reads them from standard input (a null answer counts as given and
// leaves 0). The end of the file before the tenth answer is no failure: the
// answers after it stay not given. Anything after the tenth answer is
// ignored. Returns a one-line reason when the file cannot be read or an
// answer in it is unreadable.
std::optional<std::string> read_answers_file(const std::string& path, partial_parameters& into);

// Reads the answer to question `index` from text, as if it had been typed at
// its prompt, and marks it given. A null answer is refused here: a value
// given on the command line must be a number. Returns a one-line reason on
// failure, the field left as it was.
std::optional<std::string> read_answer_text(std::string_view text, std::size_t index,
                                            partial_parameters& into);

}  // namespace zemrath::ensemble
