// The fast counts against the plain step-by-step stream: the register jump,
// the s3 orbit, and count_words_above with every counting kernel (one test
// instance each; those the processor lacks are skipped, and say so), cut at
// every boundary of its plan (the s3 tail, one cycle, the lane passes, the
// parallel threshold), alone, chained and from several threads.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <thread>
#include <unordered_set>
#include <vector>

#include "random/register_jump.hpp"
#include "random/s3_orbit.hpp"
#include "random/stream_counting.hpp"

namespace zemrath {
namespace {

// The sanitizer build runs the plain loops tens of times slower: it gets
// fewer streams and shorter stretches (the short-cycle streams still reach
// every cut) and fewer thresholds.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool sanitized = true;
#else
constexpr bool sanitized = false;
#endif
constexpr std::uint32_t max_words = sanitized ? 250000 : 3000000;

rand_state stepped(rand_state state, std::uint64_t steps) {
    for (std::uint64_t k = 0; k < steps; ++k) xorshf96(state);
    return state;
}

// The plain stream: every word of a stretch and the state after it.
struct stretch {
    std::vector<std::uint32_t> words;
    rand_state end;
};

stretch take_words(rand_state state, std::uint32_t n) {
    stretch s;
    s.words.resize(n);
    for (std::uint32_t& word : s.words) word = xorshf96(state);
    s.end = state;
    return s;
}

std::uint32_t words_above(const stretch& s, std::uint32_t threshold) {
    return static_cast<std::uint32_t>(
        std::count_if(s.words.begin(), s.words.end(), [&](std::uint32_t w) { return w > threshold; }));
}

const count_kernel every_kernel[] = {count_kernel::scalar, count_kernel::avx2, count_kernel::avx512};

}  // namespace

// Test names and messages show the kernel by its name.
void PrintTo(count_kernel kernel, std::ostream* out) { *out << kernel_name(kernel); }

namespace {

s3_orbit orbit_of(std::uint32_t s3) {
    s3_orbit orbit;
    EXPECT_TRUE(build_s3_orbit(orbit, s3));
    return orbit;
}

// Streams with long and short s3 cycles, entered inside the tail, at its
// last step and on the cycle; s3 = 0 (a fixed point) and a word that steps
// to 0; a register with arbitrary words.
struct named_start {
    std::string name;
    rand_state state;
};

std::vector<named_start> stream_starts() {
    std::vector<named_start> starts;
    // Seeds 0 and 2: cycles of 9181 and 21729 words; 35 and 593: 918 and 808.
    const std::vector<std::int32_t> seeds = sanitized ? std::vector<std::int32_t>{2, 593}
                                                      : std::vector<std::int32_t>{0, 2, 35, 593, 999};
    for (std::int32_t m : seeds) {
        const s3_orbit orbit = orbit_of(seeded_state(m).s3);
        const std::uint64_t offsets[] = {0, orbit.tail - 1, orbit.tail + orbit.cycle / 2};
        for (std::uint64_t offset : offsets)
            starts.push_back({"seed " + std::to_string(m) + " +" + std::to_string(offset),
                              stepped(seeded_state(m), offset)});
    }
    starts.push_back({"s3 zero", {0xF95F9500, 0x0F95F950, 0x00F95F95, 0}});
    starts.push_back({"s3 stepping to zero", {0xF95F9500, 0x0F95F950, 0x00F95F95, 0x33CBA9E9}});
    starts.push_back({"arbitrary words", {0x12345678, 0x9ABCDEF0, 0x0F1E2D3C, 0xDEADBEEF}});
    return starts;
}

// Counts at the cuts of the plan for a stream whose s3 has this tail and
// cycle left: the short-stretch limit, one cycle past the tail, a full first
// pass of single cycles, and a first pass of several cycles a lane followed
// by a second pass.
std::vector<std::uint32_t> cut_counts(const s3_orbit& orbit) {
    const std::uint32_t lanes = lanes_for(short_stretch, count_settings{count_kernel::scalar, 1});
    const std::uint32_t tail = orbit.tail;
    const std::uint32_t cycle = orbit.cycle;
    std::vector<std::uint32_t> counts = {0, 1, short_stretch - 1, short_stretch, short_stretch + 1};
    for (std::uint64_t n : {std::uint64_t{tail} + cycle - 1, std::uint64_t{tail} + cycle, std::uint64_t{tail} + cycle + 1,
                            std::uint64_t{tail} + lanes * cycle - 1, std::uint64_t{tail} + lanes * cycle,
                            std::uint64_t{tail} + lanes * cycle + 1, std::uint64_t{tail} + 3 * lanes * cycle + 7 * cycle + 5})
        if (n <= max_words) counts.push_back(static_cast<std::uint32_t>(n));
    return counts;
}

// Thresholds: none above, all above but the zero words, the middle of the
// range (where the 2^31 bias flips), and one equal to a word of the stretch.
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
    for (const named_start& start : stream_starts()) {
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

TEST(S3Orbit, TablesFollowTheStepFunctionExactly) {
    for (const named_start& start : stream_starts()) {
        SCOPED_TRACE(start.name);
        s3_orbit orbit;
        ASSERT_TRUE(build_s3_orbit(orbit, start.state.s3));
        ASSERT_GE(orbit.cycle, 1u);
        ASSERT_EQ(orbit.values.size(), std::size_t{orbit.tail} + orbit.cycle);
        EXPECT_EQ(orbit.values[0], start.state.s3);
        // Consecutive, distinct, and closing onto the cycle's first value:
        // so tail and cycle are the exact ones.
        std::unordered_set<std::uint32_t> seen;
        for (std::size_t k = 0; k < orbit.values.size(); ++k) {
            if (k + 1 < orbit.values.size()) {
                ASSERT_EQ(orbit.values[k + 1], next_s3(orbit.values[k]));
            }
            ASSERT_TRUE(seen.insert(orbit.values[k]).second) << k;
            ASSERT_EQ(orbit_position(orbit, orbit.values[k]), std::optional<std::uint32_t>(k));
        }
        EXPECT_EQ(next_s3(orbit.values.back()), orbit.values[orbit.tail]);
        std::uint32_t outside = 1;
        while (seen.count(outside) != 0) ++outside;
        EXPECT_EQ(orbit_position(orbit, outside), std::nullopt);

        ASSERT_GE(orbit.biased_cycle.size(), orbit.cycle + std::max(orbit.cycle, cycle_overhang));
        for (std::size_t i = 0; i < orbit.biased_cycle.size(); ++i)
            ASSERT_EQ(orbit.biased_cycle[i], orbit.values[orbit.tail + i % orbit.cycle] ^ 0x80000000u);

        const std::uint32_t positions[] = {0, orbit.tail, orbit.tail + orbit.cycle - 1};
        const std::uint64_t step_counts[] = {0, 1, orbit.cycle, std::uint64_t{orbit.tail} + 3 * orbit.cycle + 1};
        for (std::uint32_t position : positions)
            for (std::uint64_t steps : step_counts) {
                std::uint32_t s3 = orbit.values[position];
                for (std::uint64_t k = 0; k < steps; ++k) s3 = next_s3(s3);
                EXPECT_EQ(orbit.values[orbit_position_after(orbit, position, steps)], s3);
            }
    }
}

TEST(S3Orbit, RefusesAnOrbitLongerThanTheLimit) {
    const std::uint32_t s3 = seeded_state(593).s3;
    s3_orbit orbit;
    ASSERT_TRUE(build_s3_orbit(orbit, s3));
    const auto length = static_cast<std::uint32_t>(orbit.values.size());
    EXPECT_TRUE(build_s3_orbit(orbit, s3, length));
    EXPECT_FALSE(build_s3_orbit(orbit, s3, length - 1));
    EXPECT_EQ(orbit.cycle, 0u);
    EXPECT_TRUE(orbit.values.empty());
    EXPECT_FALSE(build_s3_orbit(orbit, s3, 8));
}

TEST(S3Orbit, LaterWordsOfAStreamAreFoundInItsOrbit) {
    const rand_state start = seeded_state(35);
    const s3_place first = locate_s3(start.s3);
    ASSERT_NE(first.orbit, nullptr);
    const s3_orbit* orbit = first.orbit;
    for (std::uint64_t steps : {1u, 577u, 5000u, 100000u}) {
        const rand_state later = stepped(start, steps);
        const s3_place place = locate_s3(later.s3);
        EXPECT_EQ(place.orbit, orbit);
        EXPECT_EQ(orbit->values[place.position], later.s3);
        EXPECT_EQ(place.position, orbit_position_after(*orbit, first.position, steps));
    }
}

TEST(StreamCounting, KernelNamesAndTheDefault) {
    for (count_kernel kernel : every_kernel) EXPECT_EQ(kernel_named(kernel_name(kernel)), kernel);
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

TEST_P(KernelCounting, MatchesThePlainStreamAtEveryCut) {
    for (const named_start& start : stream_starts()) {
        SCOPED_TRACE(start.name);
        const s3_orbit orbit = orbit_of(start.state.s3);
        for (std::uint32_t n : cut_counts(orbit)) {
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
        const s3_orbit orbit = orbit_of(start.s3);
        ASSERT_EQ(orbit.tail, 0u);
        for (int threads : {2, 3}) {
            const count_settings settings = on_threads(threads);
            const std::uint64_t pass = std::uint64_t{lanes_for(parallel_stretch, settings)} * orbit.cycle;
            const std::uint64_t whole = (parallel_stretch + pass - 1) / pass * pass;
            std::vector<std::uint64_t> counts = {parallel_stretch, whole};
            if (!sanitized) counts.insert(counts.end(), {whole - 1, whole + 1, whole + orbit.cycle * 5 + 3});
            for (std::uint64_t n : counts) {
                SCOPED_TRACE(testing::Message() << "seed " << s.millisecond << " threads " << threads << " n " << n);
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
        SCOPED_TRACE(testing::Message() << "seed " << m << " offset " << offset << " n " << n);
        const rand_state start = stepped(seeded_state(m), offset);
        const stretch expected = take_words(start, n);
        expect_count_matches(expected, start, threshold, on_threads(1));
    }
}

TEST_P(KernelCounting, ChainedCountsFollowOneStream) {
    // One stream through its tail onto the cycle in calls of every size; the
    // orbit found for the first call serves all the later ones.
    std::mt19937 random(11);
    for (std::int32_t m : {2, 593}) {
        rand_state fast = seeded_state(m);
        rand_state plain = fast;
        const std::uint32_t sizes[] = {5, short_stretch, 40000, max_words / 10, 1, 0, 77777, max_words / 4};
        for (int call = 0; call < 24; ++call) {
            const std::uint32_t n = sizes[call % 8] + (random() % 5000);
            const std::uint32_t threshold = random();
            const stretch expected = take_words(plain, n);
            plain = expected.end;
            ASSERT_EQ(count_words_above(n, threshold, fast, on_threads(1 + call % 2)), words_above(expected, threshold))
                << call;
            ASSERT_EQ(fast, plain) << call;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EveryKernel, KernelCounting, ::testing::ValuesIn(every_kernel),
                         [](const ::testing::TestParamInfo<count_kernel>& info) {
                             return std::string(kernel_name(info.param));
                         });

TEST(StreamCounting, AdvanceStreamMatchesStepping) {
    for (const named_start& start : stream_starts()) {
        SCOPED_TRACE(start.name);
        const s3_orbit orbit = orbit_of(start.state.s3);
        for (std::uint64_t n : {std::uint64_t{0}, std::uint64_t{1}, std::uint64_t{short_stretch} - 1,
                                std::uint64_t{short_stretch}, std::uint64_t{orbit.tail} + orbit.cycle,
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
        rand_state plain = seeded_state(100 + s);
        for (int c = 0; c < calls; ++c) {
            const stretch expected = take_words(plain, sizes[s][c]);
            plain = expected.end;
            EXPECT_EQ(results[s][c], words_above(expected, 0x9E3779B9u)) << s << " " << c;
        }
        EXPECT_EQ(ends[s], plain) << s;
    }
}

}  // namespace
}  // namespace zemrath
