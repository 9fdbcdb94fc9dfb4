// How the console program seeds its stream: from the clock's millisecond, or
// from ZEMRATH_SEED so that a run can be repeated exactly.
#pragma once

#include <cstdint>
#include <string_view>

#include "zemrath/stream.hpp"

namespace zemrath {

inline constexpr std::string_view seed_variable = "ZEMRATH_SEED";

// What ZEMRATH_SEED asks for: nothing (unset or empty), a whole number from
// 0 to 999 in decimal digits, or something else (not valid).
struct seed_setting {
    bool valid = true;
    bool fixed = false;           // true: millisecond is the setting's
    std::int32_t millisecond = 0;
};
seed_setting read_seed_setting();

// randseed: takes the millisecond (the fixed one, or the clock's now),
// records statement line 113 for its list of seed words and seeds the
// stream with it; a list that cannot be had ends the run with the
// memory-exhaustion report.
void randseed(stream& run, const seed_setting& setting);

}  // namespace zemrath
