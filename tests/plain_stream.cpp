#include "plain_stream.hpp"

#include <algorithm>
#include <unordered_map>

namespace zemrath::testing {

rand_state stepped(rand_state state, std::uint64_t steps) {
    for (std::uint64_t k = 0; k < steps; ++k) xorshf96(state);
    return state;
}

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

plain_orbit plain_orbit_of(std::uint32_t s3) {
    plain_orbit orbit;
    std::unordered_map<std::uint32_t, std::uint32_t> seen;
    while (seen.emplace(s3, static_cast<std::uint32_t>(orbit.values.size())).second) {
        orbit.values.push_back(s3);
        s3 = next_s3(s3);
    }
    orbit.tail = seen[s3];
    return orbit;
}

std::vector<named_start> stream_starts() {
    std::vector<named_start> starts;
    // Seeds 0 and 2: cycles of 9181 and 21729 words; 35 and 593: 918 and 808.
    const std::vector<std::int32_t> seeds = sanitized ? std::vector<std::int32_t>{2, 593}
                                                      : std::vector<std::int32_t>{0, 2, 35, 593, 999};
    for (std::int32_t m : seeds) {
        const plain_orbit orbit = plain_orbit_of(seeded_state(m).s3);
        for (std::uint64_t offset : {std::uint64_t{0}, std::uint64_t{orbit.tail} - 1, std::uint64_t{orbit.tail} + orbit.cycle() / 2})
            starts.push_back({"seed " + std::to_string(m) + " +" + std::to_string(offset),
                              stepped(seeded_state(m), offset)});
    }
    const rand_state seeded = seeded_state(0);
    for (const auto& [name, s3] : {std::pair{"s3 zero", 0u}, {"s3 0x33CBA9E9, stepping to zero", 0x33CBA9E9u},
                                   {"s3 0x679753D2, stepping to zero", 0x679753D2u},
                                   {"s3 0xB3CBA9E9, stepping to one", 0xB3CBA9E9u}})
        starts.push_back({name, {seeded.s0, seeded.s1, seeded.s2, s3}});
    starts.push_back({"arbitrary words", {0x12345678, 0x9ABCDEF0, 0x0F1E2D3C, 0xDEADBEEF}});
    return starts;
}

}  // namespace zemrath::testing
