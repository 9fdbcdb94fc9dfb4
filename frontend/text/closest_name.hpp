// The known name that a mistyped one was probably meant to be, for the hint
// that every front end gives after an unknown name: "unknown option --seed
// (did you mean --seeds?)", "vary.carying-capacity: no parameter of that
// name (did you mean carrying-capacity?)".
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zemrath::text {

// The known name that `given` was probably meant to be: within two edits, or
// one a prefix of the other; none when no name is that close.
std::optional<std::string> closest_name(std::string_view given, const std::vector<std::string>& known);

}  // namespace zemrath::text
