#include "random/s3_stripes.hpp"

namespace zemrath {

std::vector<std::uint32_t> striped_rows(const std::vector<std::uint32_t>& values, std::uint32_t spacing) {
    const auto length = static_cast<std::uint32_t>(values.size());
    if (length == 0 || length > max_striped_cycle) return {};
    std::vector<std::uint32_t> rows((std::size_t{length} + spacing) * stripe_width);
    for (std::uint32_t row = 0; row < length + spacing; ++row)
        for (int i = 0; i < stripe_width; ++i)
            rows[std::size_t{row} * stripe_width + i] =
                values[(row + std::uint64_t{spacing} * i) % length] ^ 0x80000000u;
    return rows;
}

}  // namespace zemrath
