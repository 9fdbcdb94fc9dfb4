#include "random/stream_counting.hpp"

#include <algorithm>
#include <array>
#include <atomic>

#include "core/worker_pool.hpp"
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

void advance_stream(rand_state& state, std::uint32_t n) {
    if (n >= short_stretch) {
        const s3_place place = locate_s3(state.s3);
        if (place.orbit != nullptr) {
            jump_register(state, n);
            state.s3 = place.orbit->values[orbit_position_after(*place.orbit, place.position, n)];
            return;
        }
    }
    for (std::uint32_t k = 0; k < n; ++k) xorshf96(state);
}

namespace {

using group_kernel = void (*)(lane_group&, const cycle_walk&, std::uint32_t, std::uint32_t);

group_kernel kernel_for(count_kernel kernel) {
    switch (kernel) {
    case count_kernel::scalar: return count_group_scalar;
#if defined(__x86_64__) || defined(__i386__)
    case count_kernel::avx2: return count_group_avx2;
    case count_kernel::avx512: return count_group_avx512;
#else
    case count_kernel::avx2:
    case count_kernel::avx512: break;
#endif
    }
    return count_group_scalar;
}

// Lanes that all take `steps` steps (a multiple of the cycle length), lane l
// starting first + l * steps words into the cycle part of the stretch.
struct lane_pass {
    std::uint32_t first = 0;
    std::uint32_t lanes = 0;
    std::uint32_t steps = 0;
};

std::uint32_t groups_in(const lane_pass& pass) { return (pass.lanes + group_lanes - 1) / group_lanes; }

// Cuts `words` words into at most two passes: the first gives every lane the
// same whole number of cycles; what it leaves is less than one cycle per
// lane, and the second gives one cycle to as many lanes as that holds. Less
// than one cycle remains. Returns the words the passes cover.
std::uint32_t plan_passes(std::array<lane_pass, 2>& passes, std::uint32_t words, std::uint32_t cycle,
                          std::uint32_t max_lanes) {
    std::uint32_t done = 0;
    for (lane_pass& pass : passes) {
        const std::uint32_t left = words - done;
        const std::uint32_t lanes = std::min(max_lanes, left / cycle);
        if (lanes == 0) break;
        pass = {done, lanes, cycle * (left / (lanes * cycle))};
        done += lanes * pass.steps;
    }
    return done;
}

struct count_job {
    // Fixed before the work starts.
    rand_state start;  // the register where the cycle part begins
    cycle_walk walk;
    std::uint32_t biased_threshold = 0;
    group_kernel kernel = nullptr;
    std::array<lane_pass, 2> passes{};
    std::uint32_t groups = 0;
    // Shared while the threads work.
    std::atomic<std::uint32_t> above{0};
    rand_state end;  // the register after the last lane; written by the group that runs it
};

void run_group(count_job& job, std::uint32_t group) {
    const std::uint32_t first_groups = groups_in(job.passes[0]);
    const bool second = group >= first_groups;
    const lane_pass& pass = job.passes[second ? 1 : 0];
    const std::uint32_t first_lane = (second ? group - first_groups : group) * group_lanes;
    const std::uint32_t real_lanes = std::min<std::uint32_t>(group_lanes, pass.lanes - first_lane);

    // Lanes past the pass's last one repeat the last one's start; their counts are dropped.
    lane_group lanes;
    rand_state lane = job.start;
    jump_register(lane, pass.first + first_lane * pass.steps);
    for (std::uint32_t l = 0; l < group_lanes; ++l) {
        if (l > 0 && l < real_lanes) jump_register(lane, pass.steps);
        lanes.s0[l] = lane.s0;
        lanes.s1[l] = lane.s1;
        lanes.s2[l] = lane.s2;
    }
    job.kernel(lanes, job.walk, pass.steps, job.biased_threshold);

    std::uint32_t above = 0;
    for (std::uint32_t l = 0; l < real_lanes; ++l) above += lanes.above[l];
    job.above.fetch_add(above);
    if (group + 1 == job.groups) {
        const std::uint32_t last = real_lanes - 1;
        job.end = rand_state{lanes.s0[last], lanes.s1[last], lanes.s2[last], 0};
    }
}

void run_job(count_job& job, int threads) {
    parallel_for(job.groups, threads, [&job](std::size_t group) {
        run_group(job, static_cast<std::uint32_t>(group));
    });
}

// The plain loop with s3 read from its orbit (position is where the state's
// s3 lies, and moves on with it): the same words, without the latency of the
// multiplication and remainder on every step.
std::uint32_t count_along_orbit(std::uint32_t n, std::uint32_t threshold, rand_state& state,
                                const s3_orbit& orbit, std::uint32_t& position) {
    const auto last = static_cast<std::uint32_t>(orbit.values.size() - 1);
    std::uint32_t s0 = state.s0, s1 = state.s1, s2 = state.s2;
    std::uint32_t above = 0;
    for (std::uint32_t k = 0; k < n; ++k) {
        position = position == last ? orbit.tail : position + 1;
        const std::uint32_t word = next_register_word(s0, s1, s2);
        s0 = s1;
        s1 = s2;
        s2 = word;
        above += (word ^ orbit.values[position]) > threshold ? 1u : 0u;
    }
    state = rand_state{s0, s1, s2, orbit.values[position]};
    return above;
}

}  // namespace

std::uint32_t count_words_above(std::uint32_t n, std::uint32_t threshold, rand_state& state,
                                const count_settings& settings) {
    if (n < short_stretch) return count_words_above_serial(n, threshold, state);
    const s3_place place = locate_s3(state.s3);
    if (place.orbit == nullptr) return count_words_above_serial(n, threshold, state);
    const s3_orbit& orbit = *place.orbit;
    std::uint32_t position = place.position;

    // While s3 is in its tail, lanes a whole number of cycles apart would not
    // see the same s3.
    const std::uint32_t lead = position < orbit.tail ? std::min(n, orbit.tail - position) : 0;
    std::uint32_t above = count_along_orbit(lead, threshold, state, orbit, position);
    const std::uint32_t rest = n - lead;

    count_job job;
    const int threads = rest >= parallel_stretch ? settings.threads : 1;
    const std::uint32_t done = plan_passes(job.passes, rest, orbit.cycle, lanes_for(rest, settings));
    if (done != 0) {
        job.start = state;
        job.walk = cycle_walk{orbit.biased_cycle.data(), orbit.cycle,
                              static_cast<std::uint32_t>(orbit.biased_cycle.size()),
                              (position - orbit.tail + 1) % orbit.cycle};
        job.biased_threshold = threshold ^ 0x80000000u;
        job.kernel = kernel_for(settings.kernel);
        job.groups = groups_in(job.passes[0]) + groups_in(job.passes[1]);
        run_job(job, threads);
        above += job.above.load();
        position = orbit_position_after(orbit, position, done);
        state = job.end;
        state.s3 = orbit.values[position];
    }
    return above + count_along_orbit(rest - done, threshold, state, orbit, position);
}

}  // namespace zemrath
