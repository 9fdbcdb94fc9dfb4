#include "random/s3_orbit.hpp"

#include <algorithm>
#include <array>
#include <bit>

#include "zemrath/random_source.hpp"

namespace zemrath {

namespace {

// slot_count is a power of two, at least 2.
std::uint32_t index_slot(std::uint32_t value, std::uint32_t slot_count) {
    // Fibonacci hashing: the high bits of the product spread nearby values.
    return (value * 0x9E3779B1u) >> (32 - std::countr_zero(slot_count));
}

struct rho_shape {
    std::uint32_t tail = 0;
    std::uint32_t cycle = 0;
};

// Brent's cycle detection: the cycle length first, then the tail.
std::optional<rho_shape> find_rho_shape(std::uint32_t start, std::uint32_t max_length) {
    std::uint64_t power = 1;
    std::uint64_t cycle = 1;
    std::uint32_t tortoise = start;
    std::uint32_t hare = next_s3(start);
    while (tortoise != hare) {
        if (power == cycle) {
            // The cycle is found in the first round whose power reaches both
            // tail and cycle; past twice the limit it is too long.
            if (power > 2ull * max_length) return std::nullopt;
            tortoise = hare;
            power *= 2;
            cycle = 0;
        }
        hare = next_s3(hare);
        ++cycle;
    }
    tortoise = start;
    hare = start;
    for (std::uint64_t i = 0; i < cycle; ++i) hare = next_s3(hare);
    std::uint64_t tail = 0;
    while (tortoise != hare) {
        tortoise = next_s3(tortoise);
        hare = next_s3(hare);
        ++tail;
    }
    if (tail + cycle > max_length) return std::nullopt;
    return rho_shape{static_cast<std::uint32_t>(tail), static_cast<std::uint32_t>(cycle)};
}

}  // namespace

bool build_s3_orbit(s3_orbit& orbit, std::uint32_t start, std::uint32_t max_length) {
    orbit = s3_orbit{};
    const std::optional<rho_shape> shape = find_rho_shape(start, max_length);
    if (!shape) return false;
    const std::uint32_t length = shape->tail + shape->cycle;
    orbit.tail = shape->tail;
    orbit.cycle = shape->cycle;

    orbit.values.resize(length);
    std::uint32_t s3 = start;
    for (std::uint32_t& value : orbit.values) {
        value = s3;
        s3 = next_s3(s3);
    }

    orbit.index.assign(std::bit_ceil(2 * std::uint64_t{length}), 0);
    const auto slot_count = static_cast<std::uint32_t>(orbit.index.size());
    for (std::uint32_t k = 0; k < length; ++k) {
        std::uint32_t slot = index_slot(orbit.values[k], slot_count);
        while (orbit.index[slot] != 0) slot = (slot + 1) & (slot_count - 1);
        orbit.index[slot] = k + 1;
    }

    orbit.biased_cycle.resize(orbit.cycle + std::max(orbit.cycle, cycle_overhang));
    for (std::size_t i = 0; i < orbit.biased_cycle.size(); ++i)
        orbit.biased_cycle[i] = orbit.values[orbit.tail + i % orbit.cycle] ^ 0x80000000u;
    return true;
}

std::optional<std::uint32_t> orbit_position(const s3_orbit& orbit, std::uint32_t value) {
    if (orbit.cycle == 0) return std::nullopt;
    const auto slot_count = static_cast<std::uint32_t>(orbit.index.size());
    for (std::uint32_t slot = index_slot(value, slot_count); orbit.index[slot] != 0;
         slot = (slot + 1) & (slot_count - 1)) {
        const std::uint32_t position = orbit.index[slot] - 1;
        if (orbit.values[position] == value) return position;
    }
    return std::nullopt;
}

std::uint32_t orbit_position_after(const s3_orbit& orbit, std::uint32_t position, std::uint64_t steps) {
    const std::uint64_t target = position + steps;
    if (target < orbit.values.size()) return static_cast<std::uint32_t>(target);
    return orbit.tail + static_cast<std::uint32_t>((target - orbit.tail) % orbit.cycle);
}

namespace {

// A stream needs one orbit; a few more cover a thread that takes turns with
// several streams. The least recently used one makes room for a new one.
constexpr std::size_t kept_orbits = 4;

struct orbit_cache {
    std::array<s3_orbit, kept_orbits> orbits;
    std::array<std::uint64_t, kept_orbits> last_use{};
    std::uint64_t uses = 0;
};

thread_local orbit_cache this_thread_orbits;

}  // namespace

s3_place locate_s3(std::uint32_t s3) {
    orbit_cache& cache = this_thread_orbits;
    ++cache.uses;
    for (std::size_t i = 0; i < kept_orbits; ++i)
        if (const std::optional<std::uint32_t> position = orbit_position(cache.orbits[i], s3)) {
            cache.last_use[i] = cache.uses;
            return {&cache.orbits[i], *position};
        }
    const std::size_t oldest = static_cast<std::size_t>(
        std::min_element(cache.last_use.begin(), cache.last_use.end()) - cache.last_use.begin());
    cache.last_use[oldest] = cache.uses;
    if (!build_s3_orbit(cache.orbits[oldest], s3)) return {};
    return {&cache.orbits[oldest], 0};
}

}  // namespace zemrath
