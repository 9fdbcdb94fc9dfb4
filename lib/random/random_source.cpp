#include "zemrath/random_source.hpp"

#include <chrono>

namespace zemrath {

std::int32_t seed_size() { return 4; }

void seed_put(rand_state& state, std::span<const std::int32_t> words) {
    auto word = [&](std::size_t i) {
        return rand_mask[i] ^ static_cast<std::uint32_t>(words[i]);
    };
    state = rand_state{word(0), word(1), word(2), word(3)};
}

std::int32_t clock_millisecond() {
    // The millisecond field does not depend on the time zone, so the system
    // clock's sub-second part is the local time's millisecond field too.
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now).count();
    return static_cast<std::int32_t>(((ms % 1000) + 1000) % 1000);
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

}  // namespace zemrath
