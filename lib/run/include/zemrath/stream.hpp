// One random stream of a parameter set: the console program's run for one
// seed, generation by generation, its rows handed to the caller.
//
// The run sequence is fixed: the age classes are created empty with 20
// recruits waiting, the random source is seeded, row 0 is (0, 0, 0, 20), and
// each generation runs the adult update, the embryo-larval draws and the
// larval-juvenile draws, in that order, giving the row (generation, embryos,
// larvae, adults). The rows of seed m are exactly those that the console
// program writes to output.txt when seeded with millisecond m.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "zemrath/count_kernel.hpp"
#include "zemrath/error.hpp"
#include "zemrath/parameters.hpp"
#include "zemrath/random_source.hpp"

namespace zemrath {

// One row of the results file.
struct generation_row {
    std::int32_t generation = 0;
    std::int32_t embryos = 0;
    std::int32_t larvae = 0;
    std::int32_t adults = 0;

    friend bool operator==(const generation_row&, const generation_row&) = default;
};

struct stream_options {
    // Threads a long count may use, the calling one included; 0 for every
    // hardware thread. The rows never depend on it.
    int threads = 0;
    // The counting kernel; none for the fastest this processor runs. An
    // unsupported one is refused (bad_value).
    std::optional<count_kernel> kernel;
    // Run the plain reference algorithms instead: every draw by the
    // per-individual loop, both age-class arrays shifted every generation.
    // The same rows, far slower; for checking the fast path.
    bool reference = false;
};

struct stream_state;

// A stream under way. Move-only; it owns its population and random state.
struct stream {
    stream();
    ~stream();
    stream(stream&&) noexcept;
    stream& operator=(stream&&) noexcept;

    std::unique_ptr<stream_state> state;
};

// Creates the population of a stream, not yet seeded: empty age classes and
// the 20 initial recruits. Throws out_of_memory when the age classes cannot
// be had (each of the two arrays needs 4 bytes a class, and more than
// 1073741823 classes never fit).
stream create_stream(const model_parameters& parameters, const stream_options& options = {});

// Seeds the stream's random source with seed_size() words (s_i = rand_mask[i]
// XOR w_i), as the console program seeds from the clock.
void seed_stream(stream& s, std::span<const std::int32_t> seed_words);

// Seeds with every word equal to the seed millisecond, 0 to 999 (bad_value
// otherwise).
void seed_stream(stream& s, std::int32_t seed);

// Row 0: 0, 0, 0 and the initial recruits.
generation_row first_row(const stream& s);

// Whether a generation is left to run: generations so far < generations.
bool has_next_generation(const stream& s);

// Runs the next generation of a seeded stream and gives its row. Throws
// bad_value when the stream is not seeded or has no generation left.
generation_row next_generation(stream& s);

// Whether the last generation's embryos or adults left the 32-bit range at
// any step of their sums, so that its row holds wrapped values.
bool last_generation_wrapped(const stream& s);

// The random state and the recruits waiting for the next generation.
rand_state stream_random_state(const stream& s);
std::int32_t stream_recruits(const stream& s);

// Every row of the stream of this seed (0 to 999): row 0 and one per
// generation.
std::vector<generation_row> run_stream(const model_parameters& parameters, std::int32_t seed,
                                       const stream_options& options = {});

}  // namespace zemrath
