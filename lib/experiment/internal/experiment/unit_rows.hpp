// The points of the Morris and eFAST designs as places in the unit cube:
// one value from 0 to 1 per varied parameter (its place along its range,
// or among its listed values). The design makes its points from these rows
// and the analyses read the steps and the curves back from them, so both
// see the same numbers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "zemrath/design.hpp"

namespace zemrath {

using unit_rows = std::vector<std::vector<double>>;

// The step of a Morris trajectory on the unit scale: levels / (2 (levels - 1)),
// half the levels apart, so that every level is reached equally often.
double morris_step(std::int32_t levels);

// trajectories x (parameters + 1) rows, trajectory by trajectory.
unit_rows morris_rows(const experiment_design& design);

inline constexpr int efast_harmonics = 4;

// The frequencies of the search curve of parameter `of_interest`: it takes
// the highest, (samples - 1) / (2 x harmonics), and the others low ones
// whose harmonics stay below it.
std::vector<std::int32_t> efast_frequencies(std::size_t parameters, std::int32_t samples, std::size_t of_interest);

// samples x resamples x parameters rows: parameter by parameter, phase by
// phase, the points of its curve in order along it.
unit_rows efast_rows(const experiment_design& design);

}  // namespace zemrath
