// Count arithmetic: counts are 32-bit signed integers whose sums and products
// wrap in two's complement. The wrap is done in unsigned arithmetic, so no
// signed overflow (undefined behaviour in C++) ever happens.
#pragma once

#include <cstdint>

namespace zemrath {

constexpr std::int32_t wrapping_add(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}

constexpr std::int32_t wrapping_multiply(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) * static_cast<std::uint32_t>(b));
}

}  // namespace zemrath
