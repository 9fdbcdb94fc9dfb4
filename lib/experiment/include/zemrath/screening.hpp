// Screening by elementary effects (Morris designs): which parameters
// matter, and which act through interactions or curvature.
#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string_view>
#include <vector>

#include "zemrath/design.hpp"
#include "zemrath/outcomes.hpp"
#include "zemrath/sensitivity.hpp"

namespace zemrath {

// A parameter's elementary effects on an outcome, one per trajectory: the
// change of the outcome over one step of the parameter, divided by the
// step measured as a share of the parameter's range (so a linear outcome
// c x on a range from a to b has every effect c (b - a)). mu is their mean
// (Morris 1991), mu_star the mean of their absolute values (Campolongo et
// al. 2007), sigma their standard deviation as a sample of the
// trajectories (dividing by one less than their count), and mu_star_low
// and mu_star_high the 2.5th and 97.5th percentiles of mu_star over
// `resamples` bootstrap resamples of the trajectories. All are not a
// number for an outcome missing at some point.
struct morris_effect {
    std::size_t parameter = 0;  // index into the design's varied parameters
    std::size_t outcome = 0;    // index into outcome_columns
    double mu = 0;
    double mu_star = 0;
    double sigma = 0;
    double mu_star_low = 0;
    double mu_star_high = 0;
    index_definition defined = index_definition::defined;
};

// Its values by name, in the order of their columns in every table of them
// (after the parameter and the outcome); each may be missing.
struct morris_effect_column {
    std::string_view name;
    double morris_effect::*field;
    bool may_be_missing = true;
};
inline constexpr std::array<morris_effect_column, 5> morris_effect_columns = {{
    {"mu", &morris_effect::mu},
    {"mu_star", &morris_effect::mu_star},
    {"sigma", &morris_effect::sigma},
    {"mu_star_low", &morris_effect::mu_star_low},
    {"mu_star_high", &morris_effect::mu_star_high},
}};

// Every parameter's effects on every outcome, parameters in design order,
// outcomes in column order; outcomes holds one entry per point of the
// Morris design (bad_value otherwise).
std::vector<morris_effect> morris_effects(const experiment_design& design, std::span<const point_outcomes> outcomes,
                                          int resamples = default_resamples);

}  // namespace zemrath
