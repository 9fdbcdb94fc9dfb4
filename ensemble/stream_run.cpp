#include "ensemble/stream_run.hpp"

#include "ensemble/count_wrap.hpp"

namespace zemrath::ensemble {

stream_setup prepare_streams(const parameter_set& answers) {
    stream_setup setup{answers};
    halve_carrying_capacity(setup.parameters);
    return setup;
}

std::size_t rows_per_stream(const parameter_set& parameters) {
    return parameters.generations > 0 ? static_cast<std::size_t>(parameters.generations) + 1 : 1;
}

bool run_stream(const stream_setup& setup, std::int32_t seed, std::span<generation_row> rows,
                std::span<std::uint8_t> wrapped) {
    population state;
    state.recruits = initial_recruits;
    if (!create_age_classes(state, setup.parameters)) return false;
    rand_state rng;
    seed_from_millisecond(rng, seed);
    state.competition_coefficient = competition_coefficient_of(setup.parameters);

    rows[0] = initial_row(state);
    wrapped[0] = 0;
    for (std::size_t g = 1; g < rows.size(); ++g) {
        rows[g] = advance_generation(state, setup.parameters, static_cast<std::int32_t>(g), rng);
        wrapped[g] = counts_wrapped(class_tallies(state.adults)) ? 1 : 0;
    }
    return true;
}

}  // namespace zemrath::ensemble
