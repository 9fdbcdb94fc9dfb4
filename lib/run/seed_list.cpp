#include "zemrath/seed_list.hpp"

#include <algorithm>
#include <charconv>
#include <numeric>

namespace zemrath {

namespace {

// A whole decimal seed, digits only, 0 to 999.
std::optional<std::int32_t> parse_seed(std::string_view text) {
    std::int32_t seed = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seed);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size() ||
        text.front() == '-' || seed >= seed_count)
        return std::nullopt;
    return seed;
}

std::string quoted(std::string_view text) {
    std::string result(text.size() + 2, '\'');
    text.copy(result.data() + 1, text.size());
    return result;
}

}  // namespace

std::vector<std::int32_t> all_seeds() {
    std::vector<std::int32_t> seeds(seed_count);
    std::iota(seeds.begin(), seeds.end(), 0);
    return seeds;
}

std::optional<std::vector<std::int32_t>> parse_seed_list(std::string_view text, std::string& error) {
    std::vector<bool> chosen(seed_count, false);
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        const std::string_view item = text.substr(start, comma - start);
        // A dash after the first character separates a range; a leading one
        // would be a negative seed and fails below.
        const std::size_t dash = item.find('-', 1);
        const auto first = parse_seed(item.substr(0, dash));
        const auto last = dash == std::string_view::npos ? first : parse_seed(item.substr(dash + 1));
        if (!first || !last) {
            error = quoted(item) + " is not a seed from 0 to 999 or a range of them";
            return std::nullopt;
        }
        if (*last < *first) {
            error = "the range " + quoted(item) + " runs backwards";
            return std::nullopt;
        }
        std::fill(chosen.begin() + *first, chosen.begin() + *last + 1, true);
        if (comma == text.size()) break;
        start = comma + 1;
    }
    std::vector<std::int32_t> seeds;
    for (std::int32_t seed = 0; seed < seed_count; ++seed)
        if (chosen[seed]) seeds.push_back(seed);
    return seeds;
}

std::string format_seed_list(const std::vector<std::int32_t>& seeds) {
    std::string text;
    for (std::size_t i = 0; i < seeds.size();) {
        std::size_t j = i;
        while (j + 1 < seeds.size() && seeds[j + 1] == seeds[j] + 1) ++j;
        if (!text.empty()) text += ',';
        text += std::to_string(seeds[i]);
        if (j > i) text += '-' + std::to_string(seeds[j]);
        i = j + 1;
    }
    return text;
}

}  // namespace zemrath
