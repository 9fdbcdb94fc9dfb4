// What is kept of one finished point: its outcomes and its lines of the
// summary table, as text that reads back to the same numbers, between a
// line that says what the record is and a line that proves it whole:
//
//   zemrath-sweep VERSION point N of experiment HASH
//   the outcomes, comma-separated, in the order of outcome_columns
//   the point's lines of summary.csv, without their point column
//   sha256 CHECKSUM
//
// HASH names the experiment the point belongs to (the content_hash of its
// identity, see sweep_run.hpp), CHECKSUM is the content_hash of every byte
// before its line. A record is taken only when both agree, so a file cut
// short, grown, changed in one digit, or written by another experiment or
// another version of the program is known for what it is.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "zemrath/ensemble_analysis.hpp"
#include "zemrath/outcomes.hpp"

namespace zemrath::sweep {

// Which record a file must be.
struct point_origin {
    std::string_view experiment;  // the experiment's hash
    std::size_t point = 0;
};

std::string point_record_text(const ensemble_analysis& analysis, const point_origin& origin);

// Why the bytes are not a sound record of that point, worded to follow the
// file's name ("does not end with its checksum line", "is a point of
// another experiment"); "" when they are one.
std::string record_damage(std::string_view bytes, const point_origin& origin);

// The content of a sound record: the outcomes line and the summary lines,
// every one ending in LF.
std::string_view record_content(std::string_view record);

// The experiment and the version a record's first line names, when it has
// the form of one; empty otherwise. Read without checking the rest, to tell
// whose points a folder holds.
struct record_header {
    std::string version;
    std::string experiment;
};
record_header record_header_of(std::string_view first_line);

// The most bytes a record of a point with this many generations can have.
std::size_t largest_point_record(std::int32_t generations);

// On the content (record_content) of a record: its outcomes, and its lines
// of summary.csv.
point_outcomes outcomes_in_record(std::string_view record);
std::string_view summary_lines_in_record(std::string_view record);

// On the content of a record: the summary of one generation, as its line
// gives it; none when the point did not run that many generations.
std::optional<generation_summary> summary_in_record(std::string_view record, std::int32_t generation);
// The summaries of every generation the record has, in its order.
std::vector<generation_summary> summaries_in_record(std::string_view record);
// The summary of the record's last generation, if it has a summary line.
std::optional<generation_summary> last_summary_in_record(std::string_view record);

// An outcome as the files write it: the shortest text that reads back to
// the same double, and nothing for one that is missing (not a number).
std::string outcome_text(double value);

}  // namespace zemrath::sweep
