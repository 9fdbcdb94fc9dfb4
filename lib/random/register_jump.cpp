#include "random/register_jump.hpp"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cstring>
#include <mutex>

namespace zemrath {

// The register as three words of a 16-byte vector, so that one instruction
// XORs a whole image in: bit b is bit b % 32 of word b / 32; the fourth word
// stays 0.
using register_bits = std::uint32_t __attribute__((vector_size(16)));

constexpr int bit_count = 96;
constexpr int nibble_count = bit_count / 4;

// A bit matrix kept as the image of every value of every 4-bit slice of the
// input, so that applying it is 24 look-ups instead of 96 conditional XORs.
struct jump_table {
    std::array<std::array<register_bits, 16>, nibble_count> images;
};

namespace {

register_bits apply(const jump_table& matrix, register_bits x) {
    const std::uint32_t words[3] = {x[0], x[1], x[2]};
    // Two sums, so that the chain of XORs is half as long.
    register_bits even{0, 0, 0, 0}, odd{0, 0, 0, 0};
    for (int q = 0; q < nibble_count; q += 2) {
        even ^= matrix.images[q][(words[q / 8] >> (4 * (q % 8))) & 15u];
        odd ^= matrix.images[q + 1][(words[q / 8] >> (4 * (q % 8) + 4)) & 15u];
    }
    return even ^ odd;
}

// columns[b]: the image of the unit vector with only bit b set.
jump_table from_columns(const std::array<register_bits, bit_count>& columns) {
    jump_table matrix{};
    for (int q = 0; q < nibble_count; ++q)
        for (unsigned v = 1; v < 16; ++v)
            matrix.images[q][v] = matrix.images[q][v & (v - 1)] ^ columns[4 * q + std::countr_zero(v)];
    return matrix;
}

register_bits unit_bits(int b) {
    register_bits unit{0, 0, 0, 0};
    unit[b / 32] = 1u << (b % 32);
    return unit;
}

// powers[i] moves the register 2^i steps.
struct jump_powers {
    std::array<jump_table, 32> powers;
};

jump_powers build_jump_powers() {
    jump_powers tables;
    std::array<register_bits, bit_count> columns;
    for (int b = 0; b < bit_count; ++b) {
        const register_bits unit = unit_bits(b);
        rand_state state{unit[0], unit[1], unit[2], 0};
        xorshf96(state);
        columns[b] = register_bits{state.s0, state.s1, state.s2, 0};
    }
    tables.powers[0] = from_columns(columns);
    for (std::size_t i = 1; i < tables.powers.size(); ++i) {
        for (register_bits& column : columns) column = apply(tables.powers[i - 1], column);
        tables.powers[i] = from_columns(columns);
    }
    return tables;
}

const jump_powers& shared_jump_powers() {
    static const jump_powers tables = build_jump_powers();
    return tables;
}

register_bits jumped(register_bits x, std::uint32_t steps) {
    const jump_powers& tables = shared_jump_powers();
    for (; steps != 0; steps &= steps - 1) x = apply(tables.powers[std::countr_zero(steps)], x);
    return x;
}

// The tables of tabled jumps, by the position of the lowest of the four
// leading digits and by the digits. Tables are added under the lock and
// published by a release store; none is ever freed, since a worker may still
// use one while the process ends.
constexpr int leading_digits = 4;

struct tabled_jumps {
    std::mutex adding;
    std::array<std::array<std::atomic<const jump_table*>, 1 << leading_digits>, 32 - leading_digits + 1> tables{};
};

tabled_jumps& shared_tabled_jumps() {
    static tabled_jumps* const jumps = new tabled_jumps;
    return *jumps;
}

// The binary digits that tabled_jump clears.
int digits_after_leading(std::uint32_t steps) {
    return std::max(0, static_cast<int>(std::bit_width(steps)) - leading_digits);
}

jump_table* build_jump_table(std::uint32_t steps) {
    std::array<register_bits, bit_count> columns;
    for (int b = 0; b < bit_count; ++b) columns[b] = jumped(unit_bits(b), steps);
    return new jump_table(from_columns(columns));
}

// The images of every value of every 4-bit slice of the register under the
// jumps of 0, S, ..., 15 S steps for a stripe spacing S, laid out as a
// lane group holds its registers (s0 of the sixteen lanes, then s1, then
// s2), eight words to a vector so that the sums take vector XORs.
constexpr int spread_words = 3 * group_lanes;
static_assert(group_lanes == 16, "two vectors of eight words for each register word");
using spread_vector = std::uint32_t __attribute__((vector_size(32)));
using spread_image = std::array<spread_vector, spread_words / 8>;

struct spread_table {
    std::array<std::array<spread_image, 16>, nibble_count> images;
};

spread_table build_spread_table(std::uint32_t spacing) {
    std::array<spread_image, bit_count> columns;
    for (int b = 0; b < bit_count; ++b)
        for (int l = 0; l < group_lanes; ++l) {
            const register_bits x = jumped(unit_bits(b), static_cast<std::uint32_t>(l) * spacing);
            for (int w = 0; w < 3; ++w) columns[b][(w * group_lanes + l) / 8][l % 8] = x[w];
        }
    spread_table table{};
    for (int q = 0; q < nibble_count; ++q)
        for (unsigned v = 1; v < 16; ++v)
            for (std::size_t i = 0; i < spread_image{}.size(); ++i)
                table.images[q][v][i] = table.images[q][v & (v - 1)][i] ^ columns[4 * q + std::countr_zero(v)][i];
    return table;
}

// Never freed, like the tabled jumps.
const spread_table& shared_spread_table(std::size_t stripe) {
    static const std::array<const spread_table*, stripe_spacings.size()> tables = [] {
        std::array<const spread_table*, stripe_spacings.size()> built;
        for (std::size_t k = 0; k < built.size(); ++k) built[k] = new spread_table(build_spread_table(stripe_spacings[k]));
        return built;
    }();
    return *tables[stripe];
}

}  // namespace

// With AVX2 where the processor has it: one instruction XORs eight words.
#if defined(__x86_64__) || defined(__i386__)
__attribute__((target_clones("avx2", "default")))
#endif
void spread_lanes(const rand_state& start, std::size_t stripe, lane_group& lanes) {
    const spread_table& table = shared_spread_table(stripe);
    const std::uint32_t words[3] = {start.s0, start.s1, start.s2};
    // The sums in six named vectors, which the compiler keeps in registers.
    spread_vector s0_low{}, s0_high{}, s1_low{}, s1_high{}, s2_low{}, s2_high{};
    for (int q = 0; q < nibble_count; ++q) {
        const spread_image& image = table.images[q][(words[q / 8] >> (4 * (q % 8))) & 15u];
        s0_low ^= image[0], s0_high ^= image[1];
        s1_low ^= image[2], s1_high ^= image[3];
        s2_low ^= image[4], s2_high ^= image[5];
    }
    std::memcpy(&lanes.s0[0], &s0_low, sizeof s0_low), std::memcpy(&lanes.s0[8], &s0_high, sizeof s0_high);
    std::memcpy(&lanes.s1[0], &s1_low, sizeof s1_low), std::memcpy(&lanes.s1[8], &s1_high, sizeof s1_high);
    std::memcpy(&lanes.s2[0], &s2_low, sizeof s2_low), std::memcpy(&lanes.s2[8], &s2_high, sizeof s2_high);
}

void jump_register(rand_state& state, std::uint32_t steps) {
    const register_bits x = jumped(register_bits{state.s0, state.s1, state.s2, 0}, steps);
    state.s0 = x[0];
    state.s1 = x[1];
    state.s2 = x[2];
}

std::uint32_t tabled_jump(std::uint32_t steps) {
    const int cleared = digits_after_leading(steps);
    return steps >> cleared << cleared;
}

const jump_table& jump_table_for(std::uint32_t steps) {
    const int cleared = digits_after_leading(steps);
    std::atomic<const jump_table*>& slot = shared_tabled_jumps().tables[cleared][steps >> cleared];
    if (const jump_table* table = slot.load(std::memory_order_acquire)) return *table;
    const std::lock_guard lock(shared_tabled_jumps().adding);
    if (const jump_table* table = slot.load(std::memory_order_relaxed)) return *table;
    const jump_table* table = build_jump_table(steps);
    slot.store(table, std::memory_order_release);
    return *table;
}

void jump_register(rand_state& state, const jump_table& table) {
    const register_bits x = apply(table, register_bits{state.s0, state.s1, state.s2, 0});
    state.s0 = x[0];
    state.s1 = x[1];
    state.s2 = x[2];
}

}  // namespace zemrath
