#include "sweep/point_record.hpp"

#include <charconv>
#include <cmath>
#include <limits>

#include "results/csv_tables.hpp"
#include "zemrath/error.hpp"
#include "zemrath/real_text.hpp"

namespace zemrath::sweep {

namespace {

[[noreturn]] void damaged() { throw error(error_code::read_failed, "a kept point is damaged"); }

}  // namespace

std::string outcome_text(double value) { return std::isnan(value) ? std::string() : real_text(value); }

std::string point_record_text(const ensemble_analysis& analysis) {
    const point_outcomes& outcomes = analysis.outcomes;
    std::string text;
    for (const outcome_column& column : outcome_columns) {
        if (&column != &outcome_columns.front()) text += ',';
        text += outcome_text(outcomes.*column.field);
    }
    text += '\n';
    results::write_summary_csv(analysis.summary, [&text](std::string_view piece) { text += piece; });
    // The header line of the table is not kept.
    const std::size_t header_end = text.find('\n', text.find('\n') + 1);
    return text.substr(0, text.find('\n') + 1) + text.substr(header_end + 1);
}

point_outcomes outcomes_in_record(std::string_view record) {
    const std::string_view line = record.substr(0, record.find('\n'));
    point_outcomes outcomes;
    std::size_t start = 0;
    for (const outcome_column& column : outcome_columns) {
        if (start > line.size()) damaged();
        const std::size_t end = std::min(line.find(',', start), line.size());
        const std::string_view field = line.substr(start, end - start);
        double value = std::numeric_limits<double>::quiet_NaN();
        if (!field.empty() && std::from_chars(field.data(), field.data() + field.size(), value).ptr != field.end())
            damaged();
        outcomes.*column.field = value;
        start = end + 1;
    }
    return outcomes;
}

std::string_view summary_lines_in_record(std::string_view record) {
    const std::size_t first = record.find('\n');
    if (first == std::string_view::npos) damaged();
    return record.substr(first + 1);
}

}  // namespace zemrath::sweep
