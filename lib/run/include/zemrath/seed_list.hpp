// The streams an ensemble runs, named by their seed millisecond (0 to 999).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "zemrath/random_source.hpp"

namespace zemrath {

// Every seed, 0 to 999.
std::vector<std::int32_t> all_seeds();

// Parses a comma-separated list of seeds and inclusive ranges ("0-99,500").
// Returns the seeds ascending, each once, or nullopt with a reason in error
// for an empty item, a seed outside 0 to 999 or a range that runs backwards.
std::optional<std::vector<std::int32_t>> parse_seed_list(std::string_view text, std::string& error);

// The shortest list of the same form for ascending, distinct seeds
// ("0-99,500"); parse_seed_list reads it back to the same seeds.
std::string format_seed_list(const std::vector<std::int32_t>& seeds);

}  // namespace zemrath
