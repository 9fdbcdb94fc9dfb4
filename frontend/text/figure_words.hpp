// The words that figures put on their axes and in their titles, so that every
// figure of the project (the tools' SVG files, the explorer's page, the R
// package's plots) names a parameter and an outcome the same way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zemrath::text {

// A parameter as an axis names it: its prompt as the console program words
// it, without the blank, the colon and the references in parentheses
// around it ("(Eq. (1))", "(integer number)"), then its unit in
// parentheses when it has one: "Carrying capacity (individuals)",
// "Adult survival probability (per year)". answer indexes answer_fields.
std::string parameter_title(std::size_t answer);

// What an outcome is, by its column name: "extinct_fraction" is "Share of
// streams extinct". A column these words do not know is named as it is.
std::string outcome_title(std::string_view outcome);

// The outcome as the short title of an axis: "Extinct", "Mean adults".
std::string outcome_axis_title(std::string_view outcome);

// Whether an outcome is a share of streams (0 to 1), which figures show in
// percent; false for a column these words do not know.
bool outcome_is_share(std::string_view outcome);

// The generation a figure shows, for its title: "generation 50", or, when
// the points ran different numbers of generations, "the last generation of
// each point".
std::string generation_words(std::int32_t lowest_last, std::int32_t highest_last);

}  // namespace zemrath::text
