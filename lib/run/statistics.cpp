#include "zemrath/statistics.hpp"

#include <algorithm>
#include <cmath>

namespace zemrath {

double percentile(std::span<const std::int32_t> sorted, int percent) {
    const std::size_t hundredths = (sorted.size() - 1) * static_cast<std::size_t>(percent);
    const std::size_t below = hundredths / 100;
    const std::size_t fraction = hundredths % 100;
    const double low = sorted[below];
    if (fraction == 0) return low;
    return low + static_cast<double>(fraction) / 100 * (sorted[below + 1] - low);
}

column_summary summarise_column(std::span<std::int32_t> values) {
    std::sort(values.begin(), values.end());
    // The sum of up to 1000 32-bit counts is exact in 64 bits.
    std::int64_t sum = 0;
    for (std::int32_t v : values) sum += v;
    const double n = static_cast<double>(values.size());
    const double mean = static_cast<double>(sum) / n;
    double squares = 0;
    for (std::int32_t v : values) squares += (v - mean) * (v - mean);

    column_summary summary;
    summary.mean = mean;
    summary.standard_deviation = std::sqrt(squares / n);
    summary.minimum = values.front();
    summary.p5 = percentile(values, 5);
    summary.p25 = percentile(values, 25);
    summary.p50 = percentile(values, 50);
    summary.p75 = percentile(values, 75);
    summary.p95 = percentile(values, 95);
    summary.maximum = values.back();
    return summary;
}

}  // namespace zemrath
