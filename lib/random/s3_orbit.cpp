#include "random/s3_orbit.hpp"

#include <algorithm>
#include <array>
#include <vector>

#include "random/s3_tails.hpp"
#include "zemrath/random_source.hpp"

namespace zemrath {

std::uint32_t orbit_value(const s3_orbit& orbit, std::uint32_t position) {
    if (position < orbit.tail_length) return orbit.tail[position];
    return orbit.cycle->values[(orbit.entry + (position - orbit.tail_length)) % orbit.cycle->length];
}

std::uint32_t orbit_position_after(const s3_orbit& orbit, std::uint32_t position, std::uint64_t steps) {
    const std::uint64_t target = position + steps;
    if (target < orbit.tail_length) return static_cast<std::uint32_t>(target);
    return orbit.tail_length + static_cast<std::uint32_t>((target - orbit.tail_length) % orbit.cycle->length);
}

void orbit_values_spaced(const s3_orbit& orbit, std::uint32_t position, std::uint32_t spacing,
                         std::span<std::uint32_t> values) {
    std::size_t k = 0;
    for (; k < values.size() && position < orbit.tail_length; ++k) {
        values[k] = orbit.tail[position];
        position = orbit_position_after(orbit, position, spacing);
    }
    if (k == values.size()) return;
    // On the cycle the phases step by a constant: one division, then
    // additions that wrap.
    const std::uint32_t length = orbit.cycle->length;
    const std::uint32_t step = spacing % length;
    std::uint32_t phase = (orbit.entry + (position - orbit.tail_length)) % length;
    for (; k < values.size(); ++k) {
        values[k] = orbit.cycle->values[phase];
        phase = phase >= length - step ? phase - (length - step) : phase + step;
    }
}

std::span<const std::uint32_t> values_after(const s3_orbit& orbit, std::uint32_t position, std::uint32_t wanted) {
    const std::uint32_t next = orbit_position_after(orbit, position, 1);
    if (next < orbit.tail_length) return {orbit.tail + next, std::min(wanted, orbit.tail_length - next)};
    const std::uint32_t phase = (orbit.entry + (next - orbit.tail_length)) % orbit.cycle->length;
    return {orbit.cycle->values.data() + phase, std::min(wanted, orbit.cycle->length - phase)};
}

namespace {

// Whether the own-s3 lane kernels may start anywhere in a tail: it holds
// neither of the two words whose cut product is 2^32 - 2 or more. One,
// 0xB3CBA9E9, is at least 2^31 - 1, like any word no step gives: only a
// tail's first value can be one. The other, 0x679753D2, steps to 0, and 0
// stays 0: it lies only on tails into the cycle {0}, which are left to the
// plain loop whole.
bool lanes_exact_along(const std::vector<std::uint32_t>& tail, const cycle_place& entry) {
    return tail.front() < 0x7FFFFFFFu && entry.cycle->values[0] != 0;
}

struct walked_tail {
    std::vector<std::uint32_t> values;
    const s3_cycle* cycle = nullptr;  // nullptr: an empty slot
    std::uint32_t entry = 0;
    bool lanes_exact = true;
    std::uint32_t stop = 0;  // where a stream last stopped in it
    std::uint64_t last_use = 0;
};

s3_orbit orbit_of(const walked_tail& tail) {
    return {tail.values.data(), static_cast<std::uint32_t>(tail.values.size()), tail.cycle, tail.entry,
            tail.lanes_exact};
}

s3_place on_cycle(const cycle_place& place) { return {{nullptr, 0, place.cycle, place.phase, true}, 0}; }

// A stream needs one tail; a few more cover a thread that takes turns with
// several streams. The least recently used one makes room for a new one.
// Where a stream last stopped on a cycle is kept as well: its next count
// finds its s3 there without a look-up.
constexpr std::size_t kept_tails = 4;

struct thread_orbits {
    std::array<walked_tail, kept_tails> tails;
    std::uint64_t uses = 0;
    std::uint32_t cycle_stop_value = 0;
    cycle_place cycle_stop;
};

thread_local thread_orbits this_thread_orbits;

// The cycle place after a tail, unless the tail is longer than max_length.
cycle_place unless_too_long(const std::vector<std::uint32_t>& tail, const cycle_place& entry,
                            std::uint32_t max_length) {
    return tail.size() <= max_length ? entry : cycle_place{};
}

// Walks from start until it meets a landmark of a known cycle or of a stored
// tail, whose values it then copies, or until Brent's cycle detection finds
// the cycle, which it then makes known; what it walked is stored for later
// walks. A walk that runs a little way onto a cycle or a stored tail before
// meeting a landmark only makes the tail longer. values receives the tail,
// and the return value is the cycle place of the value after it; no cycle
// when the tail or the cycle is longer than max_length.
cycle_place walk_tail(std::uint32_t start, std::vector<std::uint32_t>& values, std::uint32_t max_length) {
    values.assign(1, start);
    std::uint64_t power = 1;
    std::uint32_t cycle = 1;
    std::uint32_t tortoise = start;
    // The last value stays in a register: reading it back from the vector
    // would put a store and a load on every step's path.
    std::uint32_t last = start;
    for (;;) {
        if (is_landmark(last)) {
            const cycle_place on_cycle = find_landmark_on_known_cycle(last);
            const tail_place on_tail = on_cycle.cycle == nullptr ? find_landmark_on_stored_tail(last) : tail_place{};
            if (on_cycle.cycle != nullptr || on_tail.tail != nullptr) {
                values.pop_back();
                store_tail(values, on_tail, on_cycle);
                return unless_too_long(values, on_cycle.cycle != nullptr ? on_cycle : copy_stored_tail(on_tail, values),
                                       max_length);
            }
        }
        const std::uint32_t next = next_s3(last);
        if (next == tortoise) break;
        if (power == cycle) {
            // Found in the first round whose power reaches both tail and
            // cycle; past twice the limit one of them is too long.
            if (power > 2ull * max_length) return {};
            tortoise = next;
            power *= 2;
            cycle = 0;
        }
        values.push_back(next);
        last = next;
        ++cycle;
    }
    // The tail ends at the first value that the cycle length brings back.
    const auto returns = [&](std::size_t k) { return values[k] == values[k + cycle]; };
    std::size_t low = 0, high = values.size() - cycle;
    while (low < high) {
        const std::size_t middle = (low + high) / 2;
        if (returns(middle)) high = middle; else low = middle + 1;
    }
    if (low + cycle > max_length) return {};
    const std::uint32_t first_on_cycle = values[low];
    values.resize(low);
    const cycle_place entry = share_cycle(first_on_cycle, cycle);
    if (entry.cycle != nullptr) store_tail(values, {}, entry);
    return entry;
}

}  // namespace

s3_place find_stop(std::uint32_t s3) {
    thread_orbits& mine = this_thread_orbits;
    if (mine.cycle_stop.cycle != nullptr && mine.cycle_stop_value == s3) return on_cycle(mine.cycle_stop);
    for (walked_tail& tail : mine.tails)
        if (tail.cycle != nullptr && tail.stop < tail.values.size() && tail.values[tail.stop] == s3) {
            tail.last_use = ++mine.uses;
            return {orbit_of(tail), tail.stop};
        }
    return {};
}

s3_place find_s3(std::uint32_t s3) {
    // Where streams stopped first: the next count of a stream finds its s3
    // there.
    if (const s3_place stop = find_stop(s3); stop.orbit.cycle != nullptr) return stop;
    const cycle_place place = find_on_known_cycle(s3);
    if (place.cycle != nullptr) return on_cycle(place);
    return {};
}

s3_place locate_s3(std::uint32_t s3, std::uint32_t max_length) {
    const s3_place found = find_s3(s3);
    if (found.orbit.cycle != nullptr) return found;

    // The walk writes into the least recently used tail, whose memory it
    // keeps for the next walk.
    thread_orbits& mine = this_thread_orbits;
    walked_tail& tail = *std::min_element(mine.tails.begin(), mine.tails.end(),
                                          [](const walked_tail& a, const walked_tail& b) { return a.last_use < b.last_use; });
    tail.cycle = nullptr;
    const cycle_place entry = walk_tail(s3, tail.values, max_length);
    if (entry.cycle == nullptr) return {};
    if (tail.values.empty()) return on_cycle(entry);  // s3 lies on a cycle made known just now
    tail.cycle = entry.cycle;
    tail.entry = entry.phase;
    tail.lanes_exact = lanes_exact_along(tail.values, entry);
    tail.stop = 0;
    tail.last_use = ++mine.uses;
    return {orbit_of(tail), 0};
}

void note_stop(const s3_place& place) {
    thread_orbits& mine = this_thread_orbits;
    const s3_orbit& orbit = place.orbit;
    if (place.position >= orbit.tail_length) {
        mine.cycle_stop = {orbit.cycle, (orbit.entry + (place.position - orbit.tail_length)) % orbit.cycle->length};
        mine.cycle_stop_value = orbit.cycle->values[mine.cycle_stop.phase];
        return;
    }
    for (walked_tail& tail : mine.tails)
        if (tail.values.data() == orbit.tail) tail.stop = place.position;
}

}  // namespace zemrath
