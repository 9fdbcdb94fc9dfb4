// What is kept of one finished point: its outcomes and its lines of the
// summary table, as text that reads back to the same numbers.
#pragma once

#include <string>
#include <string_view>

#include "zemrath/ensemble_analysis.hpp"
#include "zemrath/outcomes.hpp"

namespace zemrath::sweep {

// The first line holds the outcomes, the rest are the point's lines of
// summary.csv without their point column.
std::string point_record_text(const ensemble_analysis& analysis);

point_outcomes outcomes_in_record(std::string_view record);
std::string_view summary_lines_in_record(std::string_view record);

// An outcome as the files write it: the shortest text that reads back to
// the same double, and nothing for one that is missing (not a number).
std::string outcome_text(double value);

}  // namespace zemrath::sweep
