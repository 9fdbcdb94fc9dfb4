#include "random/register_jump.hpp"

#include <array>
#include <bit>

namespace zemrath {

namespace {

// The register as three words: bit b of the vector is bit b % 32 of word b / 32.
using register_bits = std::array<std::uint32_t, 3>;

constexpr int bit_count = 96;
constexpr int nibble_count = bit_count / 4;

// A bit matrix kept as the image of every value of every 4-bit slice of the
// input, so that applying it is 24 look-ups instead of 96 conditional XORs.
struct nibble_matrix {
    std::array<std::array<register_bits, 16>, nibble_count> images;
};

register_bits apply(const nibble_matrix& matrix, const register_bits& x) {
    register_bits y{0, 0, 0};
    for (int q = 0; q < nibble_count; ++q) {
        const std::uint32_t nibble = (x[q / 8] >> (4 * (q % 8))) & 15u;
        const register_bits& image = matrix.images[q][nibble];
        for (int w = 0; w < 3; ++w) y[w] ^= image[w];
    }
    return y;
}

// columns[b]: the image of the unit vector with only bit b set.
nibble_matrix from_columns(const std::array<register_bits, bit_count>& columns) {
    nibble_matrix matrix{};
    for (int q = 0; q < nibble_count; ++q)
        for (unsigned v = 1; v < 16; ++v) {
            const register_bits& rest = matrix.images[q][v & (v - 1)];
            const register_bits& column = columns[4 * q + std::countr_zero(v)];
            for (int w = 0; w < 3; ++w) matrix.images[q][v][w] = rest[w] ^ column[w];
        }
    return matrix;
}

// powers[i] moves the register 2^i steps.
struct jump_tables {
    std::array<nibble_matrix, 32> powers;
};

jump_tables build_jump_tables() {
    jump_tables tables;
    std::array<register_bits, bit_count> columns;
    for (int b = 0; b < bit_count; ++b) {
        rand_state unit{};
        (b < 32 ? unit.s0 : b < 64 ? unit.s1 : unit.s2) = 1u << (b % 32);
        xorshf96(unit);
        columns[b] = {unit.s0, unit.s1, unit.s2};
    }
    tables.powers[0] = from_columns(columns);
    for (std::size_t i = 1; i < tables.powers.size(); ++i) {
        for (register_bits& column : columns) column = apply(tables.powers[i - 1], column);
        tables.powers[i] = from_columns(columns);
    }
    return tables;
}

const jump_tables& shared_jump_tables() {
    static const jump_tables tables = build_jump_tables();
    return tables;
}

}  // namespace

void jump_register(rand_state& state, std::uint32_t steps) {
    if (steps == 0) return;
    const jump_tables& tables = shared_jump_tables();
    register_bits x{state.s0, state.s1, state.s2};
    for (; steps != 0; steps &= steps - 1) x = apply(tables.powers[std::countr_zero(steps)], x);
    state.s0 = x[0];
    state.s1 = x[1];
    state.s2 = x[2];
}

}  // namespace zemrath
