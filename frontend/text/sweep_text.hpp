// The few lines that tell a person what an experiment's points say
// together, as zemrath-sweep prints them and the Python package shows them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "zemrath/design.hpp"
#include "zemrath/sweep_analysis.hpp"

namespace zemrath::text {

// The points, the design and the varied parameters (by their keys), and the
// seeds; where the extinct share and the mean of the adults are lowest and
// highest; for a Sobol or eFAST design, each parameter's indices of the
// extinct share with their intervals; for a Morris design, its mu_star
// with its interval and its sigma; for a Latin hypercube, its partial rank
// correlation and p-value; and the streams' share of the adults' variance.
std::string sweep_summary_text(const experiment_design& design, const std::vector<std::int32_t>& seeds,
                               std::size_t points, const sweep_analysis& analysis);

}  // namespace zemrath::text
