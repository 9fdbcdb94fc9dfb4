#include "random/s3_stripes.hpp"

#include <array>

namespace zemrath {

std::vector<std::uint32_t> striped_rows(const std::vector<std::uint32_t>& values, std::uint32_t spacing) {
    const auto length = static_cast<std::uint32_t>(values.size());
    if (length == 0 || length > max_striped_cycle) return {};
    const std::uint32_t rows = length + spacing;
    std::vector<std::uint32_t> table(std::size_t{rows} * stripe_width);
    // Row by row, each column's phase stepping on and wrapping: no division
    // per word, and the table written in order.
    std::array<std::uint32_t, stripe_width> phase;
    for (int i = 0; i < stripe_width; ++i) phase[i] = static_cast<std::uint32_t>(std::uint64_t{spacing} * i % length);
    for (std::size_t word = 0; word < table.size();)
        for (std::uint32_t& column : phase) {
            table[word++] = values[column] ^ 0x80000000u;
            column = column + 1 == length ? 0 : column + 1;
        }
    return table;
}

}  // namespace zemrath
