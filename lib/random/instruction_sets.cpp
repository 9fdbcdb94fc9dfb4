#include "random/instruction_sets.hpp"

#include <atomic>

namespace zemrath {

namespace {

constexpr unsigned avx2_bit = 1;
constexpr unsigned avx512_bit = 2;

// The sets a test has hidden, as bits.
std::atomic<unsigned> hidden_bits{0};

unsigned bits_of(instruction_sets sets) { return (sets.avx2 ? avx2_bit : 0) | (sets.avx512 ? avx512_bit : 0); }

instruction_sets detect() {
    instruction_sets sets;
#if defined(__x86_64__) || defined(__i386__)
    sets.avx2 = __builtin_cpu_supports("avx2");
    sets.avx512 = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl");
#endif
    return sets;
}

}  // namespace

instruction_sets detected_instruction_sets() {
    static const instruction_sets detected = detect();
    return detected;
}

instruction_sets usable_instruction_sets() {
    const unsigned hidden = hidden_bits.load();
    instruction_sets sets = detected_instruction_sets();
    sets.avx2 = sets.avx2 && (hidden & avx2_bit) == 0;
    sets.avx512 = sets.avx512 && (hidden & avx512_bit) == 0;
    return sets;
}

hidden_instruction_sets::hidden_instruction_sets(instruction_sets hidden)
    : before_(hidden_bits.fetch_or(bits_of(hidden))) {}

hidden_instruction_sets::~hidden_instruction_sets() { hidden_bits.store(before_); }

}  // namespace zemrath
