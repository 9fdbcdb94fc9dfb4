// s3's orbits: the cycles and tails the process shares, the tails a thread
// walks or copies, and where a stream's s3 is found again; against the plain
// orbit found by remembering every value, alone and from many threads at
// once.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <map>
#include <random>
#include <thread>
#include <vector>

#include "plain_stream.hpp"
#include "random/s3_orbit.hpp"

namespace zemrath {
namespace {

namespace plain = zemrath::testing;

// s3 after `position` steps, read off the plain orbit.
std::uint32_t plain_value(const plain::plain_orbit& orbit, std::uint64_t position) {
    if (position < orbit.values.size()) return orbit.values[position];
    return orbit.values[orbit.tail + (position - orbit.tail) % orbit.cycle()];
}

void expect_cycle_consistent(const s3_cycle& cycle) {
    ASSERT_EQ(cycle.values.size(), cycle.length);
    EXPECT_EQ(*std::min_element(cycle.values.begin(), cycle.values.end()), cycle.values[0]);
    for (std::uint32_t phase = 0; phase < cycle.length; ++phase) {
        ASSERT_EQ(next_s3(cycle.values[phase]), cycle.values[(phase + 1) % cycle.length]) << phase;
        const cycle_place place = place_on(cycle, cycle.values[phase]);
        ASSERT_EQ(place.cycle, &cycle);
        ASSERT_EQ(place.phase, phase);
    }
    ASSERT_GE(cycle.biased.size(), cycle.length + std::max(cycle.length, cycle_overhang));
    for (std::size_t i = 0; i < cycle.biased.size(); ++i)
        ASSERT_EQ(cycle.biased[i], cycle.values[i % cycle.length] ^ 0x80000000u);
}

TEST(S3Orbit, OrbitsFollowTheStepFunctionExactly) {
    for (const plain::named_start& start : plain::stream_starts()) {
        SCOPED_TRACE(start.name);
        const plain::plain_orbit expected = plain::plain_orbit_of(start.state.s3);
        const s3_place place = locate_s3(start.state.s3);
        ASSERT_NE(place.orbit.cycle, nullptr);
        const s3_orbit& orbit = place.orbit;
        EXPECT_EQ(place.position, 0u);
        EXPECT_EQ(orbit.cycle->length, expected.cycle());
        expect_cycle_consistent(*orbit.cycle);
        // The walk may run a few steps onto the cycle before it notices.
        EXPECT_GE(orbit.tail_length, expected.tail);
        EXPECT_LT(orbit.tail_length, expected.tail + expected.cycle());
        // The own-s3 lanes may start in the tail only where they are exact;
        // the seeded words' tails all let them.
        const bool holds_inexact_word = std::any_of(orbit.tail, orbit.tail + orbit.tail_length,
                                                    [](std::uint32_t v) { return v == 0x679753D2u || v >= 0x7FFFFFFFu; });
        EXPECT_FALSE(orbit.lanes_exact_in_tail && holds_inexact_word);
        EXPECT_TRUE(orbit.lanes_exact_in_tail || start.name.rfind("seed", 0) != 0);

        const std::uint32_t span = orbit.tail_length + 2 * orbit.cycle->length;
        for (std::uint32_t position = 0; position < span; ++position)
            ASSERT_EQ(orbit_value(orbit, position), plain_value(expected, position)) << position;

        const std::uint32_t positions[] = {0, orbit.tail_length, orbit.tail_length + orbit.cycle->length - 1};
        const std::uint64_t step_counts[] = {0, 1, orbit.cycle->length,
                                             std::uint64_t{orbit.tail_length} + 3 * orbit.cycle->length + 1,
                                             0xFFFFFFFFull};
        for (std::uint32_t position : positions)
            for (std::uint64_t steps : step_counts) {
                const std::uint32_t after = orbit_position_after(orbit, position, steps);
                EXPECT_LT(after, orbit.tail_length + orbit.cycle->length);
                EXPECT_EQ(orbit_value(orbit, after), plain_value(expected, position + steps)) << position << " " << steps;
                const std::span<const std::uint32_t> run = values_after(orbit, after, 5000);
                ASSERT_FALSE(run.empty());
                for (std::size_t k = 0; k < run.size(); ++k)
                    ASSERT_EQ(run[k], plain_value(expected, position + steps + 1 + k)) << k;
            }
        // Values a spacing apart, from the tail onto the cycle and around it.
        for (std::uint32_t spacing : {1u, 7u, orbit.cycle->length - 1, orbit.cycle->length, 3 * orbit.cycle->length + 5,
                                      orbit.tail_length / 5 + 1})
            for (std::uint32_t position : positions) {
                std::array<std::uint32_t, 16> spaced;
                orbit_values_spaced(orbit, position, spacing, spaced);
                for (std::size_t k = 0; k < spaced.size(); ++k)
                    ASSERT_EQ(spaced[k], plain_value(expected, position + std::uint64_t{spacing} * k))
                        << "spacing " << spacing << ", position " << position << ", value " << k;
            }
    }
}

TEST(S3Orbit, RefusesATailOrCycleLongerThanTheLimit) {
    // Words that no other test starts from, so that their tails are walked
    // here: longer than the limit, they give no orbit.
    for (const std::uint32_t start : {0x0BADCAFEu, 0x00C0FFEEu}) {
        const plain::plain_orbit expected = plain::plain_orbit_of(start);
        ASSERT_GT(expected.tail, 8u);
        EXPECT_EQ(locate_s3(start, 8).orbit.cycle, nullptr) << start;
        const s3_place place = locate_s3(start, expected.tail + expected.cycle());
        ASSERT_NE(place.orbit.cycle, nullptr) << start;
        EXPECT_EQ(place.orbit.cycle->length, expected.cycle());
    }
}

TEST(S3Orbit, LaterWordsOfAStreamAreFoundWhereItStopped) {
    const std::uint32_t start = seeded_state(35).s3;
    const s3_place first = locate_s3(start);
    ASSERT_NE(first.orbit.tail, nullptr);
    const s3_orbit& orbit = first.orbit;

    // Where a stream stopped in the tail, its s3 is found without walking;
    // elsewhere in the tail it is not.
    const std::uint32_t stop = orbit.tail_length / 2;
    note_stop({orbit, stop});
    const s3_place again = find_s3(orbit_value(orbit, stop));
    EXPECT_EQ(again.orbit.tail, orbit.tail);
    EXPECT_EQ(again.position, stop);
    EXPECT_EQ(find_s3(orbit_value(orbit, stop + 1)).orbit.cycle, nullptr);

    // On the cycle, s3 is found by any thread, with no tail.
    const std::uint32_t on_cycle = orbit_value(orbit, orbit.tail_length + 77);
    for (const s3_place& place : {find_s3(on_cycle), locate_s3(on_cycle)}) {
        EXPECT_EQ(place.orbit.cycle, orbit.cycle);
        EXPECT_EQ(place.orbit.tail_length, 0u);
        EXPECT_EQ(orbit_value(place.orbit, place.position), on_cycle);
    }
}

TEST(S3Orbit, CyclesAndTailsAreSharedByEveryThread) {
    // Threads locate the same starts at once, each in its own order: seeded
    // words (five cycles between them) and arbitrary ones (which may reach
    // cycles no test met before). Every thread must see each start reach the
    // same cycle object, and no cycle may exist twice.
    std::vector<std::uint32_t> starts;
    for (std::int32_t m = 0; m < (plain::sanitized ? 60 : 300); ++m) starts.push_back(seeded_state(m).s3);
    std::mt19937 random(99);
    for (int k = 0; k < 12; ++k) starts.push_back(random());

    struct found {
        const s3_cycle* cycle = nullptr;
        std::uint32_t entry_value = 0;  // s3 one step past the tail
        std::uint32_t tail_length = 0;
        bool tail_follows_the_steps = false;
    };
    constexpr int threads = 8;
    std::vector<std::vector<found>> results(threads, std::vector<found>(starts.size()));
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t)
        workers.emplace_back([&, t] {
            std::vector<std::size_t> order(starts.size());
            for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
            std::shuffle(order.begin(), order.end(), std::mt19937(t));
            for (std::size_t i : order) {
                const s3_place place = locate_s3(starts[i]);
                if (place.orbit.cycle == nullptr) continue;
                // Much of a tail is copied from tails walked before, maybe
                // by another thread at the same time.
                bool follows = true;
                std::uint32_t s3 = starts[i];
                for (std::uint32_t k = 0; k < place.orbit.tail_length; ++k, s3 = next_s3(s3))
                    follows = follows && place.orbit.tail[k] == s3;
                results[t][i] = {place.orbit.cycle, orbit_value(place.orbit, place.orbit.tail_length),
                                 place.orbit.tail_length, follows};
            }
        });
    for (std::thread& worker : workers) worker.join();

    std::map<std::uint32_t, const s3_cycle*> by_least_value;
    for (std::size_t i = 0; i < starts.size(); ++i) {
        SCOPED_TRACE(::testing::Message() << "start " << starts[i]);
        const s3_cycle* cycle = results[0][i].cycle;
        ASSERT_NE(cycle, nullptr);
        // A walk that finds the cycle already known may stop a few steps
        // later than one that finds it new: the tails may differ, the cycle
        // may not.
        for (int t = 0; t < threads; ++t) {
            const found& f = results[t][i];
            EXPECT_EQ(f.cycle, cycle) << "thread " << t;
            EXPECT_TRUE(f.tail_follows_the_steps) << "thread " << t;
            std::uint32_t s3 = starts[i];
            for (std::uint32_t k = 0; k < f.tail_length; ++k) s3 = next_s3(s3);
            EXPECT_EQ(f.entry_value, s3) << "thread " << t;
            EXPECT_EQ(place_on(*cycle, s3).cycle, cycle) << "thread " << t;
        }
        const auto [known, added] = by_least_value.emplace(cycle->values[0], cycle);
        EXPECT_EQ(known->second, cycle);
    }
    for (const auto& [least, cycle] : by_least_value) expect_cycle_consistent(*cycle);
}

}  // namespace
}  // namespace zemrath
