#include "zemrath/stream.hpp"

#include <string>

#include "run/count_wrap.hpp"
#include "base/library_call.hpp"
#include "run/population.hpp"
#include "base/worker_pool.hpp"

namespace zemrath {

struct stream_state {
    model_parameters parameters;
    count_settings counts;
    bool reference = false;
    population fast;
    reference_population plain;
    rand_state random;
    bool seeded = false;
    std::int32_t generation = 0;  // the last generation run, 0 before the first
};

stream::stream() = default;
stream::~stream() = default;
stream::stream(stream&&) noexcept = default;
stream& stream::operator=(stream&&) noexcept = default;

namespace {

count_settings count_settings_for(const stream_options& options) {
    const count_kernel kernel = options.kernel.value_or(best_kernel());
    require_kernel_supported(kernel);
    return {kernel, resolve_threads(options.threads)};
}

void check_seed(std::int32_t seed) {
    if (seed < 0 || seed >= seed_count)
        throw error(error_code::bad_value, "seed " + std::to_string(seed) + " is not a whole number from 0 to 999",
                        "seeds");
}

}  // namespace

stream create_stream(const model_parameters& parameters, const stream_options& options) {
    return library_call([&] {
        stream s;
        s.state = std::make_unique<stream_state>();
        stream_state& state = *s.state;
        state.parameters = parameters;
        state.counts = count_settings_for(options);
        state.reference = options.reference;
        if (state.reference)
            create_population(state.plain, parameters);
        else
            create_population(state.fast, parameters);
        return s;
    });
}

void seed_stream(stream& s, std::span<const std::int32_t> seed_words) {
    if (seed_words.size() != static_cast<std::size_t>(seed_size()))
        throw error(error_code::bad_value, "a seed is " + std::to_string(seed_size()) + " words");
    seed_put(s.state->random, seed_words);
    s.state->seeded = true;
}

void seed_stream(stream& s, std::int32_t seed) {
    check_seed(seed);
    seed_from_millisecond(s.state->random, seed);
    s.state->seeded = true;
}

generation_row first_row(const stream&) { return {0, 0, 0, initial_recruits}; }

bool has_next_generation(const stream& s) { return s.state->generation < s.state->parameters.generations; }

generation_row next_generation(stream& s) {
    stream_state& state = *s.state;
    if (!state.seeded) throw error(error_code::bad_value, "the stream is not seeded");
    if (!has_next_generation(s)) throw error(error_code::bad_value, "the stream has no generation left");
    return library_call([&] {
        const std::int32_t generation = ++state.generation;
        if (state.reference)
            return reference_advance_generation(state.plain, state.parameters, generation, state.random);
        return advance_generation(state.fast, state.parameters, generation, state.random, state.counts);
    });
}

bool last_generation_wrapped(const stream& s) {
    const stream_state& state = *s.state;
    if (state.generation == 0) return false;
    return library_call([&] {
        if (state.reference)
            return counts_wrapped(class_tallies(state.plain.age_classes, adult_parameters_of(state.parameters).growth));
        return counts_wrapped(class_tallies(state.fast.adults));
    });
}

rand_state stream_random_state(const stream& s) { return s.state->random; }

std::int32_t stream_recruits(const stream& s) {
    return s.state->reference ? s.state->plain.recruits : s.state->fast.recruits;
}

std::vector<generation_row> run_stream(const model_parameters& parameters, std::int32_t seed,
                                       const stream_options& options) {
    check_seed(seed);
    return library_call([&] {
        stream s = create_stream(parameters, options);
        seed_stream(s, seed);
        std::vector<generation_row> rows;
        rows.reserve(rows_per_stream(parameters));
        rows.push_back(first_row(s));
        while (has_next_generation(s)) rows.push_back(next_generation(s));
        return rows;
    });
}

}  // namespace zemrath
