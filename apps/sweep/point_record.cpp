#include "sweep/point_record.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "results/csv_tables.hpp"
#include "sweep/content_hash.hpp"
#include "zemrath/real_text.hpp"
#include "zemrath/version.hpp"

namespace zemrath::sweep {

namespace {

constexpr std::string_view header_start = "zemrath-sweep ";
constexpr std::string_view checksum_start = "sha256 ";

std::string header_line(const point_origin& origin) {
    return std::string(header_start) + std::string(version) + " point " + std::to_string(origin.point) +
           " of experiment " + std::string(origin.experiment);
}

// Each of the fields is read by `field`, which says whether it could be.
template <typename Field>
bool read_fields(std::string_view line, std::size_t count, Field field) {
    std::size_t start = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (start > line.size()) return false;
        const std::size_t end = std::min(line.find(',', start), line.size());
        if (!field(i, line.substr(start, end - start))) return false;
        start = end + 1;
    }
    return start == line.size() + 1;
}

bool read_real(std::string_view text, double& value) {
    return !text.empty() && std::from_chars(text.data(), text.data() + text.size(), value).ptr == text.end();
}

bool read_outcomes(std::string_view line, point_outcomes& outcomes) {
    return read_fields(line, outcome_columns.size(), [&](std::size_t i, std::string_view text) {
        double value = std::numeric_limits<double>::quiet_NaN();
        if (!text.empty() && !read_real(text, value)) return false;
        outcomes.*outcome_columns[i].field = value;
        return true;
    });
}

// A generation, then a number for every column of the summary.
bool is_summary_line(std::string_view line, std::size_t columns) {
    return read_fields(line, 1 + columns, [](std::size_t i, std::string_view text) {
        if (i > 0) {
            double value = 0;
            return read_real(text, value);
        }
        std::int32_t generation = 0;
        return !text.empty() && std::from_chars(text.data(), text.data() + text.size(), generation).ptr == text.end();
    });
}

// Whether the content is an outcomes line and one or more summary lines.
bool content_is_sound(std::string_view content) {
    const std::size_t columns = summary_column_names().size();
    point_outcomes outcomes;
    const std::size_t first = content.find('\n');
    if (first == std::string_view::npos || !read_outcomes(content.substr(0, first), outcomes)) return false;
    if (first + 1 == content.size()) return false;
    for (std::size_t start = first + 1; start < content.size();) {
        const std::size_t end = content.find('\n', start);
        if (!is_summary_line(content.substr(start, end - start), columns)) return false;
        start = end + 1;
    }
    return true;
}

// Where the last line of a record that ends in LF begins.
std::size_t last_line_start(std::string_view bytes) {
    const std::size_t before = bytes.size() >= 2 ? bytes.rfind('\n', bytes.size() - 2) : std::string_view::npos;
    return before == std::string_view::npos ? 0 : before + 1;
}

}  // namespace

std::string outcome_text(double value) { return std::isnan(value) ? std::string() : real_text(value); }

std::string point_record_text(const ensemble_analysis& analysis, const point_origin& origin) {
    const point_outcomes& outcomes = analysis.outcomes;
    std::string text = header_line(origin) + '\n';
    for (const outcome_column& column : outcome_columns) {
        if (&column != &outcome_columns.front()) text += ',';
        text += outcome_text(outcomes.*column.field);
    }
    text += '\n';
    // The lines of the table without its header line.
    for (const generation_summary& generation : analysis.summary.generations) text += results::summary_line(generation);
    return text + std::string(checksum_start) + content_hash(text) + '\n';
}

std::string record_damage(std::string_view bytes, const point_origin& origin) {
    if (bytes.empty()) return "is empty";
    if (bytes.back() != '\n') return "does not end with a whole line (it was cut short, or bytes were added)";
    const std::size_t last = last_line_start(bytes);
    const std::string_view checksum_line = bytes.substr(last, bytes.size() - 1 - last);
    if (!checksum_line.starts_with(checksum_start) ||
        !looks_like_content_hash(checksum_line.substr(checksum_start.size())))
        return "does not end with its checksum line (it was cut short, or lines were added)";
    if (content_hash(bytes.substr(0, last)) != checksum_line.substr(checksum_start.size()))
        return "does not match its checksum: its content was changed or damaged";
    const std::string_view first_line = bytes.substr(0, bytes.find('\n'));
    if (first_line != header_line(origin)) {
        const record_header header = record_header_of(first_line);
        if (header.experiment.empty()) return "does not begin as a kept point does";
        if (header.version != version) return "was kept by version " + header.version + " of the program";
        if (header.experiment != origin.experiment) return "is a point of another experiment";
        return "holds another point (" + std::string(first_line) + ")";
    }
    if (!content_is_sound(record_content(bytes))) return "holds lines that are not those of a kept point";
    return "";
}

std::string_view record_content(std::string_view record) {
    const std::size_t start = record.find('\n') + 1;
    return record.substr(start, last_line_start(record) - start);
}

record_header record_header_of(std::string_view first_line) {
    // "zemrath-sweep VERSION point N of experiment HASH"
    if (!first_line.starts_with(header_start)) return {};
    const std::string_view rest = first_line.substr(header_start.size());
    const std::size_t version_end = rest.find(" point ");
    const std::size_t experiment_at = rest.rfind(" of experiment ");
    if (version_end == std::string_view::npos || experiment_at == std::string_view::npos) return {};
    const std::string_view experiment = rest.substr(experiment_at + std::string_view(" of experiment ").size());
    if (!looks_like_content_hash(experiment)) return {};
    return {std::string(rest.substr(0, version_end)), std::string(experiment)};
}

std::size_t largest_point_record(std::int32_t generations) {
    // Generous bounds on each line: the longest text of a double is 24
    // characters, of a generation 11.
    constexpr std::size_t header = 256;
    constexpr std::size_t per_field = 32;
    const std::size_t line = 16 + per_field * summary_column_names().size();
    const auto rows = static_cast<std::size_t>(std::max(generations, 0)) + 1;
    return header + per_field * outcome_columns.size() + rows * line + header;
}

point_outcomes outcomes_in_record(std::string_view record) {
    point_outcomes outcomes;
    read_outcomes(record.substr(0, record.find('\n')), outcomes);
    return outcomes;
}

std::string_view summary_lines_in_record(std::string_view record) { return record.substr(record.find('\n') + 1); }

namespace {

// Calls visit(generation, values after the generation's comma) for each
// summary line in turn, until it returns false.
template <typename Visit>
void for_each_summary_line(std::string_view record, Visit visit) {
    const std::string_view lines = summary_lines_in_record(record);
    for (std::size_t start = 0; start < lines.size();) {
        const std::size_t end = std::min(lines.find('\n', start), lines.size());
        const std::string_view line = lines.substr(start, end - start);
        start = end + 1;
        std::int32_t at = 0;
        const std::size_t comma = line.find(',');
        const std::string_view first = line.substr(0, comma);
        if (std::from_chars(first.data(), first.data() + first.size(), at).ptr != first.end()) continue;
        if (!visit(at, line.substr(comma + 1))) return;
    }
}

generation_summary summary_of_line(std::int32_t generation, std::string_view text) {
    const std::size_t columns = summary_column_names().size();
    std::vector<double> values(columns);
    const bool read = read_fields(text, columns, [&](std::size_t i, std::string_view field) {
        return read_real(field, values[i]);
    });
    if (!read) throw error(error_code::bad_value, "a kept summary line does not read as one");
    return summary_from_column_values(generation, values);
}

}  // namespace

std::optional<generation_summary> summary_in_record(std::string_view record, std::int32_t generation) {
    std::optional<generation_summary> found;
    for_each_summary_line(record, [&](std::int32_t at, std::string_view values) {
        if (at != generation) return true;
        found = summary_of_line(at, values);
        return false;
    });
    return found;
}

std::vector<generation_summary> summaries_in_record(std::string_view record) {
    std::vector<generation_summary> found;
    for_each_summary_line(record, [&](std::int32_t at, std::string_view values) {
        found.push_back(summary_of_line(at, values));
        return true;
    });
    return found;
}

std::optional<generation_summary> last_summary_in_record(std::string_view record) {
    std::optional<std::pair<std::int32_t, std::string_view>> last;
    for_each_summary_line(record, [&](std::int32_t at, std::string_view values) {
        last = {at, values};
        return true;
    });
    if (!last) return std::nullopt;
    return summary_of_line(last->first, last->second);
}

}  // namespace zemrath::sweep
