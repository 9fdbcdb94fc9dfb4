// The fast counts against the plain step-by-step stream: the register jump
// and the lane spread, the striped tables, the lane kernels that read s3
// from them or step their own, and count_words_above with every counting
// kernel (one test instance each; those the processor lacks are skipped, and
// say so), cut at every boundary of its plan (the short stretches, the s3
// tail, the own and the striped lanes, the shared passes, the parallel
// threshold), alone, chained and from several threads.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <random>
#include <thread>
#include <vector>

#include "plain_stream.hpp"
#include "random/count_kernels.hpp"
#include "random/register_jump.hpp"
#include "random/s3_orbit.hpp"
#include "random/s3_stripes.hpp"
#include "random/stream_counting.hpp"

namespace zemrath {
namespace {

namespace plain = zemrath::testing;
using plain::named_start;
using plain::sanitized;
using plain::stepped;
using plain::stretch;
using plain::take_words;
using plain::words_above;

constexpr std::uint32_t max_words = sanitized ? 250000 : 3000000;

}  // namespace

// Test names and messages show the kernel by its name.
void PrintTo(count_kernel kernel, std::ostream* out) { *out << kernel_name(kernel); }

namespace {

// Counts at the cuts of the plan for a stream at the start of this orbit:
// the plain-loop limits, the lanes and what they leave, the end of the tail,
// the first stretch long enough for shared s3, and shared passes followed by
// lanes and the plain loop.
std::vector<std::uint32_t> cut_counts(const s3_orbit& orbit) {
    const std::uint64_t lead = orbit.tail_length;
    const std::uint64_t group = std::uint64_t{group_lanes} * orbit.cycle->length;
    std::vector<std::uint32_t> counts = {0, 1, orbit_stretch - 1, orbit_stretch, short_stretch - 1, short_stretch,
                                         short_stretch + group_lanes - 1, short_stretch + group_lanes + 1};
    for (std::uint64_t n : {lead - 1, lead, lead + 1, lead + short_stretch + 3, lead + group - 1, lead + group,
                            lead + group + 1, lead + group + short_stretch + 5, lead + 3 * group + 7 * orbit.cycle->length + 5})
        if (n <= max_words) counts.push_back(static_cast<std::uint32_t>(n));
    // Past the tail, for every stripe spacing: too few lanes to be worth it
    // and just enough, vectors that the lanes fill, nearly fill or do not,
    // a group and a bit, and what every shorter spacing then takes.
    for (const std::uint32_t spacing : stripe_spacings)
        for (std::uint64_t striped : {spacing - 1, spacing, 4 * spacing - 1, 4 * spacing, 5 * spacing + 3,
                                      6 * spacing + spacing / 2, 8 * spacing - 1, 8 * spacing, 16 * spacing + 1,
                                      31 * spacing + spacing - 1})
            if (lead + striped <= max_words) counts.push_back(static_cast<std::uint32_t>(lead + striped));
    return counts;
}

// The edge thresholds and one equal to a word of the stretch; fewer under
// the sanitizer.
std::vector<std::uint32_t> thresholds_for(const stretch& s) {
    std::vector<std::uint32_t> thresholds = {0x7FFFFFFFu};
    if (!s.words.empty()) thresholds.push_back(s.words[s.words.size() / 2]);
    if (!sanitized) thresholds.insert(thresholds.end(), {0xFFFFFFFFu, 0u, 0x80000000u});
    return thresholds;
}

void expect_count_matches(const stretch& expected, const rand_state& start, std::uint32_t threshold,
                          const count_settings& settings) {
    rand_state state = start;
    const auto n = static_cast<std::uint32_t>(expected.words.size());
    EXPECT_EQ(count_words_above(n, threshold, state, settings), words_above(expected, threshold))
        << "threshold " << threshold;
    EXPECT_EQ(state, expected.end) << "threshold " << threshold;
}

TEST(RegisterJump, MatchesSteppingAndComposes) {
    std::mt19937 random(7);
    for (const named_start& start : plain::stream_starts()) {
        SCOPED_TRACE(start.name);
        for (std::uint32_t steps : {0u, 1u, 2u, 3u, 31u, 32u, 33u, 1000u, 65535u, 65536u, 123457u}) {
            rand_state jumped = start.state;
            jump_register(jumped, steps);
            rand_state expected = stepped(start.state, steps);
            expected.s3 = start.state.s3;  // the jump leaves s3 alone
            EXPECT_EQ(jumped, expected) << steps;
        }
        // Far jumps, beyond stepping: jumping a then b lands where a + b does.
        const std::uint32_t a = random() >> 1, b = random() >> 1;
        rand_state twice = start.state, once = start.state;
        jump_register(twice, a);
        jump_register(twice, b);
        jump_register(once, a + b);
        EXPECT_EQ(twice, once);
    }
}

TEST(RegisterJump, TabledJumpsMatchSteppingFromEveryThread) {
    // A tabled jump keeps the four leading binary digits: it is at most an
    // eighth shorter than asked.
    EXPECT_EQ(tabled_jump(0), 0u);
    EXPECT_EQ(tabled_jump(15), 15u);
    EXPECT_EQ(tabled_jump(17), 16u);
    EXPECT_EQ(tabled_jump(0xFFFFFFFFu), 0xF0000000u);
    const std::uint32_t asked[] = {1, 3, 16, 31, 1000, 7500, 65535, 123457, 0x87654321u};
    for (std::uint32_t steps : asked) {
        const std::uint32_t tabled = tabled_jump(steps);
        EXPECT_LE(tabled, steps);
        EXPECT_LE(steps - tabled, tabled / 8) << steps;
        EXPECT_LE(std::popcount(tabled), 4) << steps;
    }
    // Threads that ask for the same new tables at once get the same ones,
    // and each moves the register as the powers of two do.
    constexpr int threads = 4;
    std::vector<std::vector<const jump_table*>> tables(threads);
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t)
        workers.emplace_back([&, t] {
            for (std::uint32_t steps : asked) tables[t].push_back(&jump_table_for(tabled_jump(steps)));
        });
    for (std::thread& worker : workers) worker.join();
    const rand_state start = seeded_state(17);
    for (std::size_t k = 0; k < std::size(asked); ++k) {
        const std::uint32_t steps = tabled_jump(asked[k]);
        for (int t = 1; t < threads; ++t) EXPECT_EQ(tables[t][k], tables[0][k]) << steps;
        rand_state by_table = start, by_powers = start;
        jump_register(by_table, *tables[0][k]);
        jump_register(by_powers, steps);
        EXPECT_EQ(by_table, by_powers) << steps;
        if (steps < 100000) {
            rand_state expected = stepped(start, steps);
            expected.s3 = start.s3;
            EXPECT_EQ(by_table, expected) << steps;
        }
    }
}

TEST(RegisterJump, SpreadLanesMatchSteppingFromEveryThread) {
    // Threads that spread lanes at once, the first use building the tables,
    // get the same lanes, each where stepping puts it.
    const std::vector<named_start> starts = plain::stream_starts();
    constexpr int threads = 4;
    std::vector<std::vector<lane_group>> spread(threads);
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t)
        workers.emplace_back([&, t] {
            for (const named_start& start : starts)
                for (std::size_t stripe = 0; stripe < stripe_spacings.size(); ++stripe) {
                    lane_group lanes;
                    lanes.s3.fill(7);
                    lanes.above = 11;
                    spread_lanes(start.state, stripe, lanes);
                    spread[t].push_back(lanes);
                }
        });
    for (std::thread& worker : workers) worker.join();
    std::size_t k = 0;
    for (const named_start& start : starts)
        for (std::size_t stripe = 0; stripe < stripe_spacings.size(); ++stripe, ++k) {
            SCOPED_TRACE(::testing::Message() << start.name << ", spacing " << stripe_spacings[stripe]);
            const lane_group& lanes = spread[0][k];
            for (int t = 1; t < threads; ++t) {
                EXPECT_EQ(spread[t][k].s0, lanes.s0);
                EXPECT_EQ(spread[t][k].s1, lanes.s1);
                EXPECT_EQ(spread[t][k].s2, lanes.s2);
            }
            for (int l = 0; l < group_lanes; ++l) {
                const rand_state expected = stepped(start.state, std::uint64_t{stripe_spacings[stripe]} * l);
                EXPECT_EQ((rand_state{lanes.s0[l], lanes.s1[l], lanes.s2[l], start.state.s3}),
                          (rand_state{expected.s0, expected.s1, expected.s2, start.state.s3}))
                    << "lane " << l;
                EXPECT_EQ(lanes.s3[l], 7u);  // s3 and the count are not the spread's
            }
            EXPECT_EQ(lanes.above, 11u);
        }
}

TEST(StripedTables, RowsHoldTheSpacedValuesAndLongCyclesHaveNone) {
    const std::vector<std::uint32_t> values = {5, 9, 2, 7, 1, 8, 3};  // a cycle of 7, spacing wrapping it many times
    for (std::uint32_t spacing : {1u, 3u, 7u, 130u}) {
        const std::vector<std::uint32_t> rows = striped_rows(values, spacing);
        ASSERT_EQ(rows.size(), (values.size() + spacing) * stripe_width) << spacing;
        for (std::size_t row = 0; row < values.size() + spacing; ++row)
            for (int i = 0; i < stripe_width; ++i)
                ASSERT_EQ(rows[row * stripe_width + i], values[(row + std::size_t{spacing} * i) % values.size()] ^ 0x80000000u)
                    << "spacing " << spacing << " row " << row << " lane " << i;
    }
    EXPECT_TRUE(striped_rows(std::vector<std::uint32_t>(max_striped_cycle + 1, 3), 128).empty());
    EXPECT_FALSE(striped_rows(std::vector<std::uint32_t>(max_striped_cycle, 3), 128).empty());
}

TEST(StreamCounting, KernelNamesAndTheDefault) {
    for (count_kernel kernel : every_count_kernel) EXPECT_EQ(kernel_named(kernel_name(kernel)), kernel);
    EXPECT_EQ(kernel_named("sse"), std::nullopt);
    EXPECT_TRUE(kernel_supported(count_kernel::scalar));
    EXPECT_TRUE(kernel_supported(best_kernel()));
}

// One instance per kernel; a kernel this processor cannot run is skipped.
class KernelCounting : public ::testing::TestWithParam<count_kernel> {
protected:
    void SetUp() override {
        if (!kernel_supported(GetParam()))
            GTEST_SKIP() << "this processor lacks the instructions of the " << kernel_name(GetParam()) << " kernel";
    }
    count_settings on_threads(int threads) const { return {GetParam(), threads}; }
};

// s3 words every own-s3 kernel takes: both ends of the cycles (the first and
// last phase), the start and the end of tails, 0 and the word 0x33CBA9E9
// that steps to it, and the largest word below 2^31 - 1.
std::vector<std::uint32_t> own_s3_starts() {
    std::vector<std::uint32_t> words = {0u, 0x33CBA9E9u, 0x7FFFFFFEu};
    for (std::int32_t m : {0, 2, 35, 593}) {
        const plain::plain_orbit orbit = plain::plain_orbit_of(seeded_state(m).s3);
        words.insert(words.end(), {orbit.values.front(), orbit.values[orbit.tail - 1], orbit.values[orbit.tail],
                                   orbit.values.back()});
    }
    return words;
}

TEST_P(KernelCounting, OwnS3LanesMatchThePlainStream) {
    const auto kernel = lane_kernels_for(GetParam()).own_s3;
    const std::vector<std::uint32_t> s3_words = own_s3_starts();
    std::mt19937 random(3);
    std::vector<std::uint32_t> thresholds = plain::edge_thresholds;
    thresholds.push_back(random());
    for (std::uint32_t steps : {0u, 1u, 2u, 3u, 4u, 5u, 6u, 7u, 97u, 1000u, 3001u})
        for (std::uint32_t threshold : thresholds) {
            SCOPED_TRACE(::testing::Message() << steps << " steps, threshold " << threshold);
            // Each lane its own stream; the count adds to what the group held.
            lane_group lanes;
            lanes.above = 12345;
            std::vector<rand_state> starts;
            for (int l = 0; l < group_lanes; ++l) {
                const rand_state seeded = seeded_state(l * 61);
                starts.push_back({seeded.s0, seeded.s1 ^ static_cast<std::uint32_t>(random()), seeded.s2,
                                  s3_words[l % s3_words.size()]});
                lanes.s0[l] = starts[l].s0, lanes.s1[l] = starts[l].s1, lanes.s2[l] = starts[l].s2;
                lanes.s3[l] = starts[l].s3;
            }
            kernel(lanes, steps, threshold ^ 0x80000000u);
            std::uint32_t above = 12345;
            for (int l = 0; l < group_lanes; ++l) {
                const stretch expected = take_words(starts[l], steps);
                above += words_above(expected, threshold);
                EXPECT_EQ((rand_state{lanes.s0[l], lanes.s1[l], lanes.s2[l], lanes.s3[l]}), expected.end)
                    << "lane " << l;
            }
            EXPECT_EQ(lanes.above, above);
        }
}

TEST_P(KernelCounting, StripedLanesMatchThePlainStream) {
    // Lanes spaced as each table has them, on a long cycle and on the
    // shortest (which the spacings wrap), from phases at the ends of the
    // cycle and where the lanes wrap it; as many lanes as counted, with
    // registers of their own.
    const auto kernel = lane_kernels_for(GetParam()).striped_s3;
    std::mt19937 random(9);
    for (std::int32_t m : {2, 35}) {
        const s3_place place = locate_s3(stepped(seeded_state(m), 200000).s3);
        ASSERT_EQ(place.orbit.tail_length, 0u);
        const s3_cycle& cycle = *place.orbit.cycle;
        ASSERT_FALSE(cycle.striped[0].empty());
        for (std::size_t stripe = 0; stripe < stripe_spacings.size(); ++stripe) {
            const std::uint32_t spacing = stripe_spacings[stripe];
            const std::uint32_t phases[] = {0, 1, cycle.length - 1, cycle.length - spacing % cycle.length,
                                            static_cast<std::uint32_t>(random() % cycle.length)};
            for (std::uint32_t phase : phases)
                for (int lanes : {1, 5, 8, 9, 16})
                    for (std::uint32_t steps : {0u, 1u, 2u, 3u, 4u, 5u, spacing}) {
                        const std::uint32_t threshold = random();
                        SCOPED_TRACE(::testing::Message() << "cycle " << cycle.length << ", spacing " << spacing << ", phase "
                                                          << phase << ", " << lanes << " lanes, " << steps << " steps");
                        lane_group group;
                        group.above = 77;
                        std::vector<rand_state> starts;
                        for (int l = 0; l < group_lanes; ++l) {
                            const rand_state seeded = seeded_state(static_cast<std::int32_t>(random() % 1000));
                            // The s3 before the lane's first word.
                            const std::uint64_t first = phase + std::uint64_t{spacing} * l;
                            const std::uint32_t before = cycle.values[(first + cycle.length - 1) % cycle.length];
                            starts.push_back({seeded.s0, seeded.s1 ^ static_cast<std::uint32_t>(random()), seeded.s2, before});
                            group.s0[l] = starts[l].s0, group.s1[l] = starts[l].s1, group.s2[l] = starts[l].s2;
                        }
                        const std::uint32_t* rows = cycle.striped[stripe].data();
                        const std::uint32_t high = static_cast<std::uint32_t>((phase + std::uint64_t{spacing} * 8) % cycle.length);
                        kernel(group, stripe_walk{rows + std::size_t{phase} * stripe_width, rows + std::size_t{high} * stripe_width},
                               steps, threshold ^ 0x80000000u, lanes);
                        std::uint32_t above = 77;
                        for (int l = 0; l < lanes; ++l) {
                            const stretch expected = take_words(starts[l], steps);
                            above += words_above(expected, threshold);
                            EXPECT_EQ((rand_state{group.s0[l], group.s1[l], group.s2[l], expected.end.s3}), expected.end)
                                << "lane " << l;
                        }
                        EXPECT_EQ(group.above, above);
                    }
        }
    }
}

TEST_P(KernelCounting, MatchesThePlainStreamAtEveryCut) {
    for (const named_start& start : plain::stream_starts()) {
        SCOPED_TRACE(start.name);
        const s3_place place = locate_s3(start.state.s3);
        ASSERT_NE(place.orbit.cycle, nullptr);
        for (std::uint32_t n : cut_counts(place.orbit)) {
            SCOPED_TRACE(n);
            const stretch expected = take_words(start.state, n);
            for (std::uint32_t threshold : thresholds_for(expected))
                expect_count_matches(expected, start.state, threshold, on_threads(1));
        }
    }
}

TEST_P(KernelCounting, ThreadedCountsMatchAtThePassCuts) {
    // From parallel_stretch on the stretch is cut for several threads: many
    // more lanes, in groups that the threads take in turn. The scalar
    // kernel, slow under the sanitizer, is left to the single-thread tests
    // there.
    if (sanitized && GetParam() != best_kernel()) GTEST_SKIP() << "the single-thread tests cover it here";
    struct stream {
        std::int32_t millisecond;
        std::uint64_t offset;  // past the tail, so the cuts fall where planned
    };
    std::vector<stream> streams = {stream{593, 1019}};
    if (!sanitized) streams.insert(streams.end(), {stream{35, 577}, stream{0, 32482}});
    for (const stream& s : streams) {
        const rand_state start = stepped(seeded_state(s.millisecond), s.offset);
        const s3_place place = locate_s3(start.s3);
        ASSERT_EQ(place.orbit.tail_length, 0u);
        const std::uint32_t cycle = place.orbit.cycle->length;
        for (int threads : {2, 3}) {
            const count_settings settings = on_threads(threads);
            const std::uint64_t pass = std::uint64_t{lanes_for(parallel_stretch, settings)} * cycle;
            const std::uint64_t whole = (parallel_stretch + pass - 1) / pass * pass;
            std::vector<std::uint64_t> counts = {parallel_stretch, whole};
            if (!sanitized) counts.insert(counts.end(), {whole - 1, whole + 1, whole + cycle * 5 + 3, whole + cycle * 40 + 3});
            for (std::uint64_t n : counts) {
                SCOPED_TRACE(::testing::Message() << "seed " << s.millisecond << " threads " << threads << " n " << n);
                const stretch expected = take_words(start, static_cast<std::uint32_t>(n));
                for (std::uint32_t threshold : thresholds_for(expected))
                    expect_count_matches(expected, start, threshold, settings);
            }
        }
    }
}

TEST_P(KernelCounting, ManySeedsOffsetsCountsAndThresholds) {
    // Streams picked at random: any of the 1000 seeds, an offset inside or
    // past the s3 tail, any count up to a few cycles, any threshold.
    std::mt19937 random(2024);
    const int trials = sanitized ? 10 : 150;
    const std::uint32_t longest = max_words / 20;
    for (int trial = 0; trial < trials; ++trial) {
        const auto m = static_cast<std::int32_t>(random() % 1000);
        const std::uint64_t offset = random() % 120000;
        const std::uint32_t n = static_cast<std::uint32_t>(random() % longest);
        const std::uint32_t threshold = random();
        SCOPED_TRACE(::testing::Message() << "seed " << m << " offset " << offset << " n " << n);
        const rand_state start = stepped(seeded_state(m), offset);
        const stretch expected = take_words(start, n);
        expect_count_matches(expected, start, threshold, on_threads(1));
    }
}

TEST_P(KernelCounting, ChainedCountsFollowOneStream) {
    // One stream through its tail onto the cycle in calls of every size,
    // with moves of the stream between them; the tail walked for the first
    // long call serves the later ones.
    std::mt19937 random(11);
    for (std::int32_t m : {2, 593}) {
        rand_state fast = seeded_state(m);
        rand_state plain_state = fast;
        const std::uint32_t sizes[] = {5, short_stretch, 40000, max_words / 10, 1, 0, 77777, max_words / 4};
        for (int call = 0; call < 24; ++call) {
            const std::uint32_t n = sizes[call % 8] + (random() % 5000);
            if (call % 5 == 4) {
                advance_stream(fast, n);
                plain_state = stepped(plain_state, n);
                ASSERT_EQ(fast, plain_state) << call;
                continue;
            }
            const std::uint32_t threshold = random();
            const stretch expected = take_words(plain_state, n);
            plain_state = expected.end;
            ASSERT_EQ(count_words_above(n, threshold, fast, on_threads(1 + call % 2)), words_above(expected, threshold))
                << call;
            ASSERT_EQ(fast, plain_state) << call;
        }
    }
}

TEST_P(KernelCounting, ShortCountsCarryTheStreamsPlace) {
    // Counts too short to look s3 up run along the orbit when they start
    // where the thread's last count stopped, and pass the place on: runs of
    // them between longer counts, in s3's tail and on the cycle.
    std::mt19937 random(13);
    const std::uint32_t sizes[] = {1, 0, 2, 3, 17, orbit_stretch - 1, orbit_stretch, 100, 5, 700, 63, 40};
    for (const std::uint64_t offset : {std::uint64_t{0}, std::uint64_t{200000}}) {
        rand_state fast = stepped(seeded_state(2), offset);
        rand_state plain_state = fast;
        for (int call = 0; call < 60; ++call) {
            const std::uint32_t n = call % 20 == 0 ? 40000 : sizes[call % std::size(sizes)];
            const std::uint32_t threshold = random();
            const stretch expected = take_words(plain_state, n);
            plain_state = expected.end;
            ASSERT_EQ(count_words_above(n, threshold, fast, on_threads(1)), words_above(expected, threshold))
                << "offset " << offset << " call " << call << " n " << n;
            ASSERT_EQ(fast, plain_state) << "offset " << offset << " call " << call;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EveryKernel, KernelCounting, ::testing::ValuesIn(every_count_kernel),
                         [](const ::testing::TestParamInfo<count_kernel>& info) {
                             return std::string(kernel_name(info.param));
                         });

TEST(StreamCounting, AdvanceStreamMatchesStepping) {
    for (const named_start& start : plain::stream_starts()) {
        SCOPED_TRACE(start.name);
        const s3_place place = locate_s3(start.state.s3);
        ASSERT_NE(place.orbit.cycle, nullptr);
        for (std::uint64_t n : {std::uint64_t{0}, std::uint64_t{1}, std::uint64_t{orbit_stretch},
                                std::uint64_t{short_stretch} - 1, std::uint64_t{short_stretch},
                                std::uint64_t{place.orbit.tail_length} + place.orbit.cycle->length,
                                std::uint64_t{max_words} / 3}) {
            rand_state state = start.state;
            advance_stream(state, static_cast<std::uint32_t>(n));
            EXPECT_EQ(state, stepped(start.state, n)) << n;
        }
    }
}

TEST(StreamCounting, ManyStreamsCountAtOnce) {
    // Threads that each own a stream, as an ensemble runs them: some ask for
    // workers of the pool (and may find them busy with another count), some
    // not.
    constexpr int streams = sanitized ? 2 : 4;
    constexpr int calls = sanitized ? 2 : 6;
    std::vector<std::vector<std::uint32_t>> sizes(streams);
    std::mt19937 random(5);
    for (auto& list : sizes)
        for (int c = 0; c < calls; ++c)
            list.push_back(c % 2 == 0 ? parallel_stretch + static_cast<std::uint32_t>(random() % 50000)
                                      : static_cast<std::uint32_t>(random() % 100000));
    std::vector<std::vector<std::uint32_t>> results(streams);
    std::vector<rand_state> ends(streams);
    std::vector<std::thread> threads;
    for (int s = 0; s < streams; ++s)
        threads.emplace_back([&, s] {
            rand_state state = seeded_state(100 + s);
            for (int c = 0; c < calls; ++c)
                results[s].push_back(count_words_above(sizes[s][c], 0x9E3779B9u, state,
                                                       count_settings{best_kernel(), 1 + s % 2}));
            ends[s] = state;
        });
    for (std::thread& thread : threads) thread.join();

    for (int s = 0; s < streams; ++s) {
        rand_state plain_state = seeded_state(100 + s);
        for (int c = 0; c < calls; ++c) {
            const stretch expected = take_words(plain_state, sizes[s][c]);
            plain_state = expected.end;
            EXPECT_EQ(results[s][c], words_above(expected, 0x9E3779B9u)) << s << " " << c;
        }
        EXPECT_EQ(ends[s], plain_state) << s;
    }
}

}  // namespace
}  // namespace zemrath
