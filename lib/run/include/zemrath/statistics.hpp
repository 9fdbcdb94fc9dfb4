// Descriptive statistics of one count over the streams of an ensemble.
//
// The selected streams are the whole population of outcomes asked about (all
// 1000 are every run the console program can make), not a sample of it: the
// standard deviation divides by n, not n - 1.
//
// Percentiles interpolate linearly between order statistics: for n values
// sorted ascending x[0] <= ... <= x[n-1] and a level p in [0, 1], h = (n - 1) p
// and the percentile is x[floor(h)] + (h - floor(h)) (x[floor(h) + 1] - x[floor(h)]).
// The 0th is the minimum, the 100th the maximum, the 50th the usual median.
// Levels are whole percents and h is split in integers, so that the 95th of
// 1000 values is x[949] + 0.05 (x[950] - x[949]) without a stray last digit.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace zemrath {

struct column_summary {
    double mean = 0;
    double standard_deviation = 0;
    double minimum = 0;
    double p5 = 0;
    double p25 = 0;
    double p50 = 0;
    double p75 = 0;
    double p95 = 0;
    double maximum = 0;
};

// The statistics in column order, with the suffix each has in summary.csv.
struct statistic {
    std::string_view suffix;
    double column_summary::*field;
};
inline constexpr std::array<statistic, 9> column_statistics = {{
    {"mean", &column_summary::mean},
    {"sd", &column_summary::standard_deviation},
    {"min", &column_summary::minimum},
    {"p5", &column_summary::p5},
    {"p25", &column_summary::p25},
    {"p50", &column_summary::p50},
    {"p75", &column_summary::p75},
    {"p95", &column_summary::p95},
    {"max", &column_summary::maximum},
}};

// The percentile at a level of 0 to 100 percent of values sorted ascending;
// not empty.
double percentile(std::span<const std::int32_t> sorted, int percent);

// Every statistic of the values (not empty); sorts them in place.
column_summary summarise_column(std::span<std::int32_t> values);

}  // namespace zemrath
