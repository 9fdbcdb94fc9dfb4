#include "text/closest_name.hpp"

#include <algorithm>

namespace zemrath::text {

namespace {

std::size_t edit_distance(std::string_view a, std::string_view b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

}  // namespace

std::optional<std::string> closest_name(std::string_view given, const std::vector<std::string>& known) {
    std::optional<std::string> closest;
    std::size_t best = 3;
    for (const std::string& name : known) {
        const bool prefix = given.size() > 3 && (name.starts_with(given) || given.starts_with(name));
        const std::size_t distance = prefix ? 1 : edit_distance(given, name);
        if (distance < best) {
            best = distance;
            closest = name;
        }
    }
    return closest;
}

}  // namespace zemrath::text
