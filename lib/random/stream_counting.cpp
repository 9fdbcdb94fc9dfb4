#include "random/stream_counting.hpp"

#include <algorithm>
#include <array>
#include <atomic>

#include "base/worker_pool.hpp"
#include "random/count_kernels.hpp"
#include "random/register_jump.hpp"
#include "random/s3_orbit.hpp"

namespace zemrath {

std::uint32_t lanes_for(std::uint32_t n, const count_settings& settings) {
    // One group on one thread; with more, four groups a thread, so that a
    // thread slowed by other work leaves its share to the others.
    if (n < parallel_stretch || settings.threads <= 1) return group_lanes;
    return group_lanes * 4 * static_cast<std::uint32_t>(settings.threads);
}

std::uint32_t count_words_above_serial(std::uint32_t n, std::uint32_t threshold, rand_state& state) {
    std::uint32_t above = 0;
    for (std::uint32_t k = 0; k < n; ++k) above += xorshf96(state) > threshold ? 1u : 0u;
    return above;
}

namespace {

// The place of s3 for a stretch of n words: for a stretch too short to look
// it up, only where the thread's last count stopped (so that a run of short
// counts keeps its place for the longer ones after it); a walk only for a
// stretch long enough to pay for it.
s3_place place_for(std::uint32_t n, std::uint32_t s3) {
    if (n < orbit_stretch) return find_stop(s3);
    return n < short_stretch ? find_s3(s3) : locate_s3(s3);
}

// A count under way: the register in `state` and s3's place move on together
// (state.s3 is brought up to date at the end).
struct count_cursor {
    rand_state& state;
    s3_place place;
    std::uint32_t threshold = 0;
    lane_kernels kernels;
};

void put_lane_register(lane_group& lanes, int l, const rand_state& lane) {
    lanes.s0[l] = lane.s0;
    lanes.s1[l] = lane.s1;
    lanes.s2[l] = lane.s2;
}

rand_state lane_register(const lane_group& lanes, int l) { return {lanes.s0[l], lanes.s1[l], lanes.s2[l], 0}; }

// One word of the plain loop: `oldest` (s0) becomes the new word; 1 if the
// output word it makes with s3 is above the threshold.
inline std::uint32_t next_word_above(std::uint32_t& oldest, std::uint32_t middle, std::uint32_t newest,
                                     std::uint32_t s3, std::uint32_t threshold) {
    oldest = next_register_word(oldest, middle, newest);
    return (oldest ^ s3) > threshold ? 1u : 0u;
}

// The plain loop with s3 read from the orbit: the same words, without the
// latency of the multiplication and remainder on every step. Three words a
// round, so that the register words change roles by their names alone.
std::uint32_t count_along_orbit(count_cursor& at, std::uint32_t n) {
    std::uint32_t s0 = at.state.s0, s1 = at.state.s1, s2 = at.state.s2;
    const std::uint32_t threshold = at.threshold;
    std::uint32_t above = 0;
    while (n > 0) {
        const std::span<const std::uint32_t> s3 = values_after(at.place.orbit, at.place.position, n);
        std::size_t k = 0;
        for (; k + 3 <= s3.size(); k += 3) {
            above += next_word_above(s0, s1, s2, s3[k], threshold);
            above += next_word_above(s1, s2, s0, s3[k + 1], threshold);
            above += next_word_above(s2, s0, s1, s3[k + 2], threshold);
        }
        for (; k < s3.size(); ++k) {
            above += next_word_above(s0, s1, s2, s3[k], threshold);
            std::swap(s0, s1);  // the new word, in s0, moves to s2
            std::swap(s1, s2);
        }
        at.place.position = orbit_position_after(at.place.orbit, at.place.position, s3.size());
        n -= static_cast<std::uint32_t>(s3.size());
    }
    at.state = rand_state{s0, s1, s2, 0};
    return above;
}

// One group of lanes that take `steps` steps each (a tabled jump), one after
// the other along the stream, each with the register jumped to its start and
// its s3 read from the orbit.
std::uint32_t count_own_lane_group(count_cursor& at, std::uint32_t steps) {
    // The lane starts in two chains of jumps, which the processor overlaps:
    // the first half from the cursor, the second from half the group on.
    const jump_table& lane_jump = jump_table_for(steps);
    constexpr int half = group_lanes / 2;
    lane_group lanes;
    rand_state first = at.state, second = at.state;
    jump_register(second, jump_table_for(half * steps));
    for (int l = 0; l < half; ++l) {
        if (l > 0) {
            jump_register(first, lane_jump);
            jump_register(second, lane_jump);
        }
        put_lane_register(lanes, l, first);
        put_lane_register(lanes, half + l, second);
    }
    orbit_values_spaced(at.place.orbit, at.place.position, steps, lanes.s3);
    at.kernels.own_s3(lanes, steps, at.threshold ^ 0x80000000u);
    at.place.position = orbit_position_after(at.place.orbit, at.place.position, std::uint64_t{group_lanes} * steps);
    at.state = lane_register(lanes, group_lanes - 1);
    return lanes.above;
}

// n words from the cursor on lanes with their own s3, tabled jumps apart,
// as long as that is worth the jumps, and the rest by the plain loop. Each
// group leaves about an eighth of what it was given, at most, to the next.
std::uint32_t count_on_own_lanes(count_cursor& at, std::uint32_t n) {
    std::uint32_t above = 0;
    while (n >= short_stretch) {
        const std::uint32_t steps = tabled_jump(n / group_lanes);
        above += count_own_lane_group(at, steps);
        n -= group_lanes * steps;
    }
    return above + count_along_orbit(at, n);
}

// The phase on the cycle of the cursor's s3; the cursor must be past the
// tail.
std::uint32_t cycle_phase(const s3_place& place) {
    const s3_orbit& orbit = place.orbit;
    return (orbit.entry + (place.position - orbit.tail_length)) % orbit.cycle->length;
}

// `lanes` lanes of stripe_spacings[stripe] words from the cursor (on the
// cycle) that read s3 from the cycle's striped table, sixteen to a group but
// the last. Each full group's last lane ends where the next group starts.
std::uint32_t count_on_stripes(count_cursor& at, std::size_t stripe, std::uint32_t lanes) {
    if (lanes == 0) return 0;
    const s3_cycle& cycle = *at.place.orbit.cycle;
    const std::uint32_t spacing = stripe_spacings[stripe];
    const std::uint32_t* rows = cycle.striped[stripe].data();
    const std::uint32_t biased_threshold = at.threshold ^ 0x80000000u;
    // Phases stay below the length: the steps added are below it too.
    const std::uint32_t group_step = static_cast<std::uint32_t>(std::uint64_t{group_lanes} * spacing % cycle.length);
    const std::uint32_t high_step = static_cast<std::uint32_t>(std::uint64_t{stripe_width} * spacing % cycle.length);
    const auto advance = [&cycle](std::uint32_t phase, std::uint32_t step) {
        return phase >= cycle.length - step ? phase - (cycle.length - step) : phase + step;
    };
    std::uint32_t phase = advance(cycle_phase(at.place), 1 % cycle.length);  // of the first word's s3
    std::uint32_t above = 0;
    rand_state start = at.state;
    for (std::uint32_t left = lanes; left > 0;) {
        const std::uint32_t in_group = std::min<std::uint32_t>(left, group_lanes);
        lane_group group;
        spread_lanes(start, stripe, group);
        const stripe_walk walk{rows + std::size_t{phase} * stripe_width,
                               rows + std::size_t{advance(phase, high_step)} * stripe_width};
        at.kernels.striped_s3(group, walk, spacing, biased_threshold, static_cast<int>(in_group));
        above += group.above;
        start = lane_register(group, static_cast<int>(in_group) - 1);
        phase = advance(phase, group_step);
        left -= in_group;
    }
    at.state = start;
    at.place.position = orbit_position_after(at.place.orbit, at.place.position, std::uint64_t{lanes} * spacing);
    return above;
}

// A vector of lanes takes as long whether its lanes all count or not; with
// nearly_full lanes or more it is still faster than the next shorter lanes
// (with a spread of lane starts for every group) would be. Fewer of the
// shortest lanes than worth_lanes are slower than the plain loop.
constexpr std::uint32_t nearly_full = 6;
constexpr std::uint32_t worth_lanes = 4;

// The lanes of stripe_spacings[stripe] to take for n words: whole or nearly
// full vectors of them, what is left going to shorter lanes; of the
// shortest, as many as n holds if that is worth it.
std::uint32_t striped_lanes_for(std::uint32_t n, std::size_t stripe) {
    std::uint32_t lanes = n / stripe_spacings[stripe];
    if (stripe + 1 < stripe_spacings.size()) {
        if (lanes % stripe_width < nearly_full) lanes -= lanes % stripe_width;
    } else if (lanes < worth_lanes) {
        lanes = 0;
    }
    return lanes;
}

// n words from the cursor: in s3's tail on lanes with their own s3 where
// that is exact; on the cycle, where it has striped tables, on striped
// lanes, the longest first; the rest on lanes with their own s3 or by the
// plain loop.
std::uint32_t count_stretch(count_cursor& at, std::uint32_t n) {
    std::uint32_t above = 0;
    const s3_orbit& orbit = at.place.orbit;
    if (at.place.position < orbit.tail_length) {
        const std::uint32_t in_tail = std::min(n, orbit.tail_length - at.place.position);
        above += orbit.lanes_exact_in_tail ? count_on_own_lanes(at, in_tail) : count_along_orbit(at, in_tail);
        n -= in_tail;
    }
    if (!orbit.cycle->striped[0].empty())
        for (std::size_t stripe = 0; stripe < stripe_spacings.size(); ++stripe) {
            const std::uint32_t lanes = striped_lanes_for(n, stripe);
            above += count_on_stripes(at, stripe, lanes);
            n -= lanes * stripe_spacings[stripe];
        }
    return above + count_on_own_lanes(at, n);
}

// Lanes that all take `steps` steps (a multiple of the cycle length), lane l
// starting first + l * steps words into the shared part of the stretch, in
// whole groups.
struct lane_pass {
    std::uint32_t first = 0;
    std::uint32_t lanes = 0;
    std::uint32_t steps = 0;
};

// Cuts `words` words into at most two passes of whole groups: the first
// gives every lane the same whole number of cycles; what it leaves is less
// than one cycle per lane, and the second gives one cycle to as many groups
// as that holds. Less than group_lanes cycles remain. Returns the words the
// passes cover.
std::uint32_t plan_passes(std::array<lane_pass, 2>& passes, std::uint32_t words, std::uint32_t cycle,
                          std::uint32_t max_lanes) {
    std::uint32_t done = 0;
    for (lane_pass& pass : passes) {
        const std::uint32_t left = words - done;
        const std::uint32_t lanes = std::min(max_lanes, left / cycle) / group_lanes * group_lanes;
        if (lanes == 0) break;
        pass = {done, lanes, cycle * (left / (lanes * cycle))};
        done += lanes * pass.steps;
    }
    return done;
}

struct count_job {
    // Fixed before the work starts.
    rand_state start;  // the register where the shared part begins
    cycle_walk walk;
    std::uint32_t biased_threshold = 0;
    lane_kernels kernels;
    std::array<lane_pass, 2> passes{};
    std::uint32_t groups = 0;
    // Shared while the threads work.
    std::atomic<std::uint32_t> above{0};
    rand_state end;  // the register after the last lane; written by the group that runs it
};

void run_group(count_job& job, std::uint32_t group) {
    const std::uint32_t first_groups = job.passes[0].lanes / group_lanes;
    const bool second = group >= first_groups;
    const lane_pass& pass = job.passes[second ? 1 : 0];
    const std::uint32_t first_lane = (second ? group - first_groups : group) * group_lanes;

    lane_group lanes;
    rand_state lane = job.start;
    jump_register(lane, pass.first + first_lane * pass.steps);
    for (int l = 0; l < group_lanes; ++l) {
        if (l > 0) jump_register(lane, pass.steps);
        put_lane_register(lanes, l, lane);
    }
    job.kernels.shared_s3(lanes, job.walk, pass.steps, job.biased_threshold);

    job.above.fetch_add(lanes.above);
    if (group + 1 == job.groups) job.end = lane_register(lanes, group_lanes - 1);
}

// Words covered, and the words above the threshold among them.
struct counted {
    std::uint32_t words = 0;
    std::uint32_t above = 0;
};

// The shared-s3 passes over n words on the cycle (at least group_lanes
// cycles); less than group_lanes cycles are left.
counted count_on_shared_lanes(count_cursor& at, std::uint32_t n, const count_settings& settings) {
    const s3_orbit& orbit = at.place.orbit;
    const s3_cycle& cycle = *orbit.cycle;
    count_job job;
    const std::uint32_t done = plan_passes(job.passes, n, cycle.length, lanes_for(n, settings));
    const std::uint32_t phase = cycle_phase(at.place);
    job.start = at.state;
    job.walk = cycle_walk{cycle.biased.data(), cycle.length, static_cast<std::uint32_t>(cycle.biased.size()),
                          (phase + 1) % cycle.length};
    job.biased_threshold = at.threshold ^ 0x80000000u;
    job.kernels = at.kernels;
    job.groups = (job.passes[0].lanes + job.passes[1].lanes) / group_lanes;
    parallel_for(job.groups, n >= parallel_stretch ? settings.threads : 1,
                 [&job](std::size_t group) { run_group(job, static_cast<std::uint32_t>(group)); });
    at.place.position = orbit_position_after(orbit, at.place.position, done);
    at.state = job.end;
    return {done, job.above.load()};
}

}  // namespace

std::uint32_t count_words_above(std::uint32_t n, std::uint32_t threshold, rand_state& state,
                                const count_settings& settings) {
    const s3_place place = place_for(n, state.s3);
    if (place.orbit.cycle == nullptr) return count_words_above_serial(n, threshold, state);
    count_cursor at{state, place, threshold, lane_kernels_for(settings.kernel)};
    const s3_orbit& orbit = place.orbit;

    // While s3 is in its tail, lanes a whole number of cycles apart would not
    // see the same s3.
    const std::uint32_t lead = place.position < orbit.tail_length ? std::min(n, orbit.tail_length - place.position) : 0;
    std::uint32_t above = 0;
    std::uint32_t rest = n;
    if (n - lead >= std::uint64_t{group_lanes} * orbit.cycle->length) {
        above += count_stretch(at, lead);
        const counted shared = count_on_shared_lanes(at, n - lead, settings);
        above += shared.above;
        rest = n - lead - shared.words;
    }
    above += count_stretch(at, rest);
    state.s3 = orbit_value(orbit, at.place.position);
    note_stop(at.place);
    return above;
}

void advance_stream(rand_state& state, std::uint32_t n) {
    s3_place place = place_for(n, state.s3);
    if (place.orbit.cycle == nullptr) {
        for (std::uint32_t k = 0; k < n; ++k) xorshf96(state);
        return;
    }
    jump_register(state, n);
    place.position = orbit_position_after(place.orbit, place.position, n);
    state.s3 = orbit_value(place.orbit, place.position);
    note_stop(place);
}

}  // namespace zemrath
