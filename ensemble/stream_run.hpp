// One stream of an ensemble: the console program's run for one seed
// millisecond, its rows kept in memory instead of written to output.txt.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "driver/parameter_set.hpp"
#include "driver/population.hpp"

namespace zemrath::ensemble {

// What every stream of one parameter set shares, derived once.
struct stream_setup {
    parameter_set parameters;  // carrying_capacity halved, as the run uses it
};

// Halves the carrying capacity as the console program does after its
// dialogue.
stream_setup prepare_streams(const parameter_set& answers);

// Rows of one stream: row 0 and one per generation (none for 0 or fewer).
std::size_t rows_per_stream(const parameter_set& parameters);

// Runs the stream seeded with this millisecond, filling rows (exactly the
// rows of output.txt after ZEMRATH_SEED=seed zemrath) and wrapped (1 where
// that generation's counts wrapped, see count_wrap.hpp; 0 for row 0). Both
// spans hold rows_per_stream() entries. Returns false, nothing filled, when
// the age-class arrays cannot be had. Runs on any thread whose
// floating-point environment is the run's.
bool run_stream(const stream_setup& setup, std::int32_t seed, std::span<generation_row> rows,
                std::span<std::uint8_t> wrapped);

}  // namespace zemrath::ensemble
