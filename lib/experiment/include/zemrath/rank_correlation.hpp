// Partial rank correlation of the outcomes with the varied parameters
// (Latin hypercube designs), after Marino et al. (2008): how strongly and in
// which direction an outcome rises or falls with a parameter, the others'
// monotone effects taken out.
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

// prcc: the correlation of the ranks of the parameter and of the outcome
// (tied values sharing their mean rank), each with its linear dependence on
// the ranks of the other parameters removed. prcc_p_value: the chance of a
// coefficient at least so far from 0 if there were no correlation, from
// t = prcc sqrt((N - 2 - p) / (1 - prcc^2)) on N - 2 - p degrees of freedom
// (N points, p the other parameters), two-sided; not a number without a
// degree of freedom. Both are not a number when the outcome does not vary
// or is missing at some point, or when the parameters' ranks are linearly
// dependent (a parameter with one value).
struct partial_rank_correlation {
    std::size_t parameter = 0;  // index into the design's varied parameters
    std::size_t outcome = 0;    // index into outcome_columns
    double prcc = 0;
    double prcc_p_value = 0;
    index_definition defined = index_definition::defined;
};

struct rank_correlation_column {
    std::string_view name;
    double partial_rank_correlation::*field;
    bool may_be_missing = true;
};
inline constexpr std::array<rank_correlation_column, 2> rank_correlation_columns = {{
    {"prcc", &partial_rank_correlation::prcc},
    {"prcc_p_value", &partial_rank_correlation::prcc_p_value},
}};

// Every parameter with every outcome, parameters in design order, outcomes
// in column order; outcomes holds one entry per point of the design.
std::vector<partial_rank_correlation> partial_rank_correlations(const experiment_design& design,
                                                                std::span<const point_outcomes> outcomes);

}  // namespace zemrath
