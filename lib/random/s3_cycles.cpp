#include "random/s3_cycles.hpp"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <mutex>

#include "zemrath/random_source.hpp"

namespace zemrath {

namespace {

// slot_count is a power of two, at least 2.
std::uint32_t index_slot(std::uint32_t value, std::uint32_t slot_count) {
    // Fibonacci hashing: the high bits of the product spread nearby values.
    return (value * 0x9E3779B1u) >> (32 - std::countr_zero(slot_count));
}

// An open-addressing index of the values at the given phases: phase + 1, 0
// for an empty slot; at most half full.
std::vector<std::uint32_t> index_of(const std::vector<std::uint32_t>& values, const std::vector<std::uint32_t>& phases) {
    std::vector<std::uint32_t> index(std::bit_ceil(2 * std::uint64_t{phases.size()} + 2), 0);
    const auto slot_count = static_cast<std::uint32_t>(index.size());
    for (const std::uint32_t phase : phases) {
        std::uint32_t slot = index_slot(values[phase], slot_count);
        while (index[slot] != 0) slot = (slot + 1) & (slot_count - 1);
        index[slot] = phase + 1;
    }
    return index;
}

cycle_place look_up(const s3_cycle& cycle, const std::vector<std::uint32_t>& index, std::uint32_t value) {
    const auto slot_count = static_cast<std::uint32_t>(index.size());
    for (std::uint32_t slot = index_slot(value, slot_count); index[slot] != 0; slot = (slot + 1) & (slot_count - 1)) {
        const std::uint32_t phase = index[slot] - 1;
        if (cycle.values[phase] == value) return {&cycle, phase};
    }
    return {};
}

s3_cycle* build_cycle(std::uint32_t value, std::uint32_t length) {
    auto* cycle = new s3_cycle;
    cycle->length = length;
    cycle->values.resize(length);
    for (std::uint32_t& v : cycle->values) {
        v = value;
        value = next_s3(value);
    }
    // Starting from the least value makes the phases the same whichever
    // stream found the cycle first.
    std::rotate(cycle->values.begin(), std::min_element(cycle->values.begin(), cycle->values.end()),
                cycle->values.end());

    cycle->biased.resize(length + std::max(length, cycle_overhang));
    for (std::size_t i = 0; i < cycle->biased.size(); ++i)
        cycle->biased[i] = cycle->values[i % length] ^ 0x80000000u;
    for (std::size_t k = 0; k < stripe_spacings.size(); ++k)
        cycle->striped[k] = striped_rows(cycle->values, stripe_spacings[k]);

    std::vector<std::uint32_t> every_phase(length), landmark_phases;
    for (std::uint32_t phase = 0; phase < length; ++phase) {
        every_phase[phase] = phase;
        if (is_landmark(cycle->values[phase])) landmark_phases.push_back(phase);
    }
    cycle->index = index_of(cycle->values, every_phase);
    cycle->landmarks = index_of(cycle->values, landmark_phases);
    return cycle;
}

// Cycles are added under the lock and published by the release store of
// their count; readers take the count with an acquire load and then read the
// cycles below it, which never change again. Neither the registry nor its
// cycles are ever freed: a worker thread may still read them while the
// process ends.
struct cycle_registry {
    std::mutex adding;
    std::array<std::atomic<const s3_cycle*>, max_known_cycles> cycles{};
    std::atomic<int> count{0};
};

cycle_registry& registry() {
    static cycle_registry* const known = new cycle_registry;
    return *known;
}

}  // namespace

cycle_place place_on(const s3_cycle& cycle, std::uint32_t value) { return look_up(cycle, cycle.index, value); }

namespace {

template <typename LookUp>
cycle_place find_on_known(LookUp look_up_on) {
    const cycle_registry& known = registry();
    const int count = known.count.load(std::memory_order_acquire);
    for (int i = 0; i < count; ++i) {
        const cycle_place place = look_up_on(*known.cycles[i].load(std::memory_order_relaxed));
        if (place.cycle != nullptr) return place;
    }
    return {};
}

}  // namespace

cycle_place find_on_known_cycle(std::uint32_t value) {
    return find_on_known([value](const s3_cycle& cycle) { return place_on(cycle, value); });
}

cycle_place find_landmark_on_known_cycle(std::uint32_t landmark) {
    return find_on_known([landmark](const s3_cycle& cycle) { return look_up(cycle, cycle.landmarks, landmark); });
}

cycle_place share_cycle(std::uint32_t value, std::uint32_t length) {
    cycle_registry& known = registry();
    const std::lock_guard lock(known.adding);
    if (const cycle_place place = find_on_known_cycle(value); place.cycle != nullptr) return place;
    const int count = known.count.load(std::memory_order_relaxed);
    if (count == max_known_cycles) return {};
    const s3_cycle* cycle = build_cycle(value, length);
    known.cycles[count].store(cycle, std::memory_order_relaxed);
    known.count.store(count + 1, std::memory_order_release);
    return place_on(*cycle, value);
}

}  // namespace zemrath
