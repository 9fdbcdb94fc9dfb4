#include "random/random_source.hpp"

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <new>
#include <string_view>
#include <vector>

#include "textio/error_report.hpp"

namespace zemrath {

std::int32_t seed_size() { return 4; }

void seed_put(rand_state& state, std::span<const std::int32_t> words) {
    auto word = [&](std::size_t i) {
        return rand_mask[i] ^ static_cast<std::uint32_t>(words[i]);
    };
    state = rand_state{word(0), word(1), word(2), word(3)};
}

namespace {

std::int32_t clock_millisecond() {
    // The millisecond field does not depend on the time zone, so the system
    // clock's sub-second part is the local time's millisecond field too.
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now).count();
    return static_cast<std::int32_t>(((ms % 1000) + 1000) % 1000);
}

// A whole number from 0 to 999 in decimal digits only; -1 for anything else.
std::int32_t parse_seed_text(std::string_view text) {
    if (text.empty()) return -1;
    std::int32_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return -1;
        value = value * 10 + (c - '0');
        if (value > 999) return -1;
    }
    return value;
}

}  // namespace

seed_choice choose_seed_millisecond() {
    const char* text = std::getenv("ZEMRATH_SEED");
    if (text == nullptr || *text == '\0') return {true, clock_millisecond()};
    const std::int32_t value = parse_seed_text(text);
    if (value < 0) return {false, 0};
    return {true, value};
}

void seed_from_millisecond(rand_state& state, std::int32_t millisecond) {
    const std::array<std::int32_t, 4> words = {millisecond, millisecond, millisecond, millisecond};
    seed_put(state, words);
}

rand_state seeded_state(std::int32_t millisecond) {
    rand_state state;
    seed_from_millisecond(state, millisecond);
    return state;
}

void randseed(rand_state& state) {
    const std::int32_t millisecond = choose_seed_millisecond().millisecond;
    record_statement(113);
    std::vector<std::int32_t> words;
    try {
        words.assign(static_cast<std::size_t>(seed_size()), millisecond);
    } catch (const std::bad_alloc&) {
        report_memory_exhaustion("Memory allocation failed");
    }
    seed_put(state, words);
}

}  // namespace zemrath
