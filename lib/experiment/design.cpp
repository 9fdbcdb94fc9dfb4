#include "zemrath/design.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numeric>
#include <string>

#include "base/library_call.hpp"
#include "design_random.hpp"
#include "experiment/unit_rows.hpp"

namespace zemrath {

namespace {

std::string name_of(const varied_parameter& parameter) { return std::string(answer_fields[parameter.answer].name); }

[[noreturn]] void refuse(const varied_parameter& parameter, const std::string& reason) {
    throw error(error_code::bad_value, name_of(parameter) + ": " + reason, name_of(parameter));
}

bool is_integer_answer(std::size_t answer) { return answer_fields[answer].integer != nullptr; }

bool whole_in_32_bits(double value) {
    return std::isfinite(value) && value == std::nearbyint(value) && value >= -2147483648.0 && value <= 2147483647.0;
}

bool takes_points(design_kind kind) { return kind == design_kind::grid || kind == design_kind::one_at_a_time; }

void check_parameter(const varied_parameter& parameter, design_kind kind) {
    if (parameter.answer >= answer_fields.size()) throw error(error_code::bad_value, "no such parameter");
    const bool integer = is_integer_answer(parameter.answer);
    if (!parameter.values.empty()) {
        if (integer)
            for (double value : parameter.values)
                if (!whole_in_32_bits(value)) refuse(parameter, "takes whole numbers only, not " + std::to_string(value));
        return;
    }
    if (!(parameter.from <= parameter.to)) refuse(parameter, "the range runs from above its end");
    if (parameter.scale == value_scale::log && !(parameter.from > 0)) refuse(parameter, "a log scale needs ends above 0");
    if (integer && (!whole_in_32_bits(parameter.from) || !whole_in_32_bits(parameter.to)))
        refuse(parameter, "takes whole numbers only, so the range must run between whole numbers");
    if (takes_points(kind) && parameter.points < 1) refuse(parameter, "a range needs at least 1 point");
}

// The value at u (0 to 1) along the parameter's scale.
double along_range(const varied_parameter& parameter, double u) {
    if (parameter.scale == value_scale::log)
        return std::exp(std::log(parameter.from) + u * (std::log(parameter.to) - std::log(parameter.from)));
    return parameter.from + u * (parameter.to - parameter.from);
}

// Point i of n evenly spaced on the parameter's scale, worked out with a
// 64-bit significand, so that the double it rounds to is within about an
// ulp of the exact point.
double range_point(const varied_parameter& parameter, std::int32_t i, std::int32_t n) {
    const long double u = static_cast<long double>(i) / (n - 1);
    const long double from = parameter.from, to = parameter.to;
    if (parameter.scale == value_scale::log) return static_cast<double>(from * std::pow(to / from, u));
    return static_cast<double>(from + u * (to - from));
}

// How far (in ulps of the point) a computed point may be moved to a
// shorter decimal: more than the computation can be off, far less than
// anything a person would tell apart.
constexpr int snap_ulps = 2;

// The shortest decimal within snap_ulps of the value and nearer than
// `room`, so that 0.3 to 0.6 in 4 points gives 0.4, not the
// 0.39999999999999997 of the arithmetic, and 50 to 3200 on a log scale
// gives 800, not 800.0000000000006: the points read as a person would
// write them. The value itself when no shorter decimal is that near.
double snapped_to_short_decimal(double value, double room) {
    if (!std::isfinite(value) || value == 0) return value;
    const double ulp = std::nextafter(std::fabs(value), INFINITY) - std::fabs(value);
    const double tolerance = std::min(snap_ulps * ulp, room);
    for (int digits = 1; digits <= 17; ++digits) {
        char text[40];
        std::snprintf(text, sizeof text, "%.*e", digits - 1, value);
        const double decimal = std::strtod(text, nullptr);
        if (std::fabs(decimal - value) <= tolerance) return decimal;
    }
    return value;
}

double whole_if_needed(const varied_parameter& parameter, double value) {
    if (!is_integer_answer(parameter.answer)) return value;
    return std::clamp(std::round(value), parameter.from, parameter.to);
}

// The value a sample u in [0, 1) stands for: a place along the range, or
// one of the listed values, each taking an equal share of [0, 1).
double sampled_value(const varied_parameter& parameter, double u) {
    if (!parameter.values.empty()) {
        const auto n = parameter.values.size();
        return parameter.values[std::min(static_cast<std::size_t>(u * static_cast<double>(n)), n - 1)];
    }
    return whole_if_needed(parameter, along_range(parameter, u));
}

// samples x parameters values in [0, 1): each column takes one value in
// each of the `samples` equal strata, in a random order, at a random place
// within the stratum.
std::vector<std::vector<double>> latin_hypercube(std::size_t samples, std::size_t parameters, design_random& random) {
    std::vector<std::vector<double>> rows(samples, std::vector<double>(parameters));
    std::vector<std::size_t> strata(samples);
    for (std::size_t j = 0; j < parameters; ++j) {
        std::iota(strata.begin(), strata.end(), std::size_t{0});
        for (std::size_t i = samples - 1; i > 0; --i) std::swap(strata[i], strata[next_below(random, i + 1)]);
        for (std::size_t i = 0; i < samples; ++i)
            rows[i][j] = (static_cast<double>(strata[i]) + next_unit(random)) / static_cast<double>(samples);
    }
    return rows;
}

parameter_set point_at(const experiment_design& design, const std::vector<double>& units) {
    parameter_set point = design.base;
    for (std::size_t j = 0; j < design.varied.size(); ++j)
        set_answer_value(point, design.varied[j].answer, sampled_value(design.varied[j], units[j]));
    return point;
}

std::vector<parameter_set> grid_points(const experiment_design& design) {
    std::vector<std::vector<double>> lists;
    for (const varied_parameter& parameter : design.varied) lists.push_back(parameter_values(parameter));
    std::vector<parameter_set> points;
    std::vector<std::size_t> at(lists.size(), 0);
    for (;;) {
        parameter_set point = design.base;
        for (std::size_t j = 0; j < lists.size(); ++j) set_answer_value(point, design.varied[j].answer, lists[j][at[j]]);
        points.push_back(point);
        // The last parameter varies fastest.
        std::size_t j = lists.size();
        while (j > 0 && ++at[j - 1] == lists[j - 1].size()) at[--j] = 0;
        if (j == 0) return points;
    }
}

std::vector<parameter_set> one_at_a_time_points(const experiment_design& design) {
    std::vector<parameter_set> points{design.base};
    for (const varied_parameter& parameter : design.varied)
        for (double value : parameter_values(parameter)) {
            parameter_set point = design.base;
            set_answer_value(point, parameter.answer, value);
            points.push_back(point);
        }
    return points;
}

std::vector<parameter_set> latin_hypercube_points(const experiment_design& design) {
    design_random random{design.sample_seed};
    std::vector<parameter_set> points;
    for (const auto& row : latin_hypercube(static_cast<std::size_t>(design.samples), design.varied.size(), random))
        points.push_back(point_at(design, row));
    return points;
}

std::vector<parameter_set> sobol_points(const experiment_design& design) {
    design_random random{design.sample_seed};
    const auto samples = static_cast<std::size_t>(design.samples);
    const auto a = latin_hypercube(samples, design.varied.size(), random);
    const auto b = latin_hypercube(samples, design.varied.size(), random);
    std::vector<parameter_set> points;
    for (const auto& row : a) points.push_back(point_at(design, row));
    for (const auto& row : b) points.push_back(point_at(design, row));
    for (std::size_t j = 0; j < design.varied.size(); ++j)
        for (std::size_t i = 0; i < samples; ++i) {
            std::vector<double> row = a[i];
            row[j] = b[i][j];
            points.push_back(point_at(design, row));
        }
    return points;
}

std::vector<parameter_set> points_of(const experiment_design& design, const unit_rows& rows) {
    std::vector<parameter_set> points;
    for (const auto& row : rows) points.push_back(point_at(design, row));
    return points;
}

void refuse_design(const std::string& key, const std::string& reason) {
    throw error(error_code::bad_value, key + " " + reason, key);
}

void check_morris(const experiment_design& design) {
    if (design.trajectories < 2)
        refuse_design("trajectories", "must be 2 or more, not " + std::to_string(design.trajectories));
    if (design.levels < 2 || design.levels % 2 != 0)
        refuse_design("levels", "must be even and 2 or more, not " + std::to_string(design.levels));
    if (design.select_from != 0 &&
        (design.select_from < design.trajectories || design.select_from > most_candidate_trajectories))
        refuse_design("select-from", "must be from trajectories (" + std::to_string(design.trajectories) + ") to " +
                                         std::to_string(most_candidate_trajectories) + ", not " +
                                         std::to_string(design.select_from));
}

void check_efast(const experiment_design& design) {
    if (design.samples < fewest_efast_samples || design.samples > most_efast_samples)
        refuse_design("samples", "must be from " + std::to_string(fewest_efast_samples) + " to " +
                                     std::to_string(most_efast_samples) + " for eFAST, not " +
                                     std::to_string(design.samples));
    if (design.resamples < 1) refuse_design("resamples", "must be 1 or more, not " + std::to_string(design.resamples));
}

}  // namespace

std::string_view design_kind_name(design_kind kind) {
    switch (kind) {
    case design_kind::grid: return "grid";
    case design_kind::one_at_a_time: return "one-at-a-time";
    case design_kind::latin_hypercube: return "latin-hypercube";
    case design_kind::sobol: return "sobol";
    case design_kind::morris: return "morris";
    case design_kind::efast: return "efast";
    }
    return "grid";
}

std::optional<design_kind> design_kind_named(std::string_view name) {
    for (design_kind kind : every_design_kind)
        if (design_kind_name(kind) == name) return kind;
    return std::nullopt;
}

void check_design(const experiment_design& design) {
    if (design.varied.empty()) throw error(error_code::bad_value, "no parameter is varied");
    for (std::size_t j = 0; j < design.varied.size(); ++j) {
        check_parameter(design.varied[j], design.kind);
        for (std::size_t k = 0; k < j; ++k)
            if (design.varied[k].answer == design.varied[j].answer) refuse(design.varied[j], "is varied twice");
    }
    if (design.kind == design_kind::morris) return check_morris(design);
    if (design.kind == design_kind::efast) return check_efast(design);
    if (!takes_points(design.kind) && design.samples < 2)
        throw error(error_code::bad_value, "samples must be 2 or more, not " + std::to_string(design.samples), "samples");
}

std::vector<double> parameter_values(const varied_parameter& parameter) {
    if (!parameter.values.empty()) return parameter.values;
    const std::int32_t n = parameter.points;
    std::vector<double> exact;
    for (std::int32_t i = 0; i < n; ++i) exact.push_back(n == 1 ? parameter.from : range_point(parameter, i, n));
    // The ends are taken as given, not recomputed through the scale; a point
    // between them moves to a shorter decimal by less than a quarter of the
    // way to either neighbour, so the points keep their order.
    std::vector<double> values;
    for (std::int32_t i = 0; i < n; ++i) {
        const auto k = static_cast<std::size_t>(i);
        const double value = i == 0       ? parameter.from
                             : i == n - 1 ? parameter.to
                                          : snapped_to_short_decimal(
                                                exact[k], std::min(exact[k] - exact[k - 1], exact[k + 1] - exact[k]) / 4);
        values.push_back(whole_if_needed(parameter, value));
    }
    return values;
}

std::vector<parameter_set> design_points(const experiment_design& design) {
    check_design(design);
    return library_call([&] {
        switch (design.kind) {
        case design_kind::grid: return grid_points(design);
        case design_kind::one_at_a_time: return one_at_a_time_points(design);
        case design_kind::latin_hypercube: return latin_hypercube_points(design);
        case design_kind::sobol: return sobol_points(design);
        case design_kind::morris: return points_of(design, morris_rows(design));
        case design_kind::efast: return points_of(design, efast_rows(design));
        }
        return std::vector<parameter_set>{};
    });
}

std::uint64_t parameter_value_count(const varied_parameter& parameter) {
    if (!parameter.values.empty()) return parameter.values.size();
    return static_cast<std::uint64_t>(std::max(parameter.points, 0));
}

std::uint64_t design_size(const experiment_design& design) {
    constexpr std::uint64_t most = UINT64_MAX;
    const auto times = [](std::uint64_t a, std::uint64_t b) { return b != 0 && a > most / b ? most : a * b; };
    const auto plus = [](std::uint64_t a, std::uint64_t b) { return a > most - b ? most : a + b; };
    const auto samples = static_cast<std::uint64_t>(std::max(design.samples, 0));
    std::uint64_t size = 1;  // a grid's empty product; one at a time, the base point
    switch (design.kind) {
    case design_kind::grid:
        for (const varied_parameter& parameter : design.varied) size = times(size, parameter_value_count(parameter));
        return size;
    case design_kind::one_at_a_time:
        for (const varied_parameter& parameter : design.varied) size = plus(size, parameter_value_count(parameter));
        return size;
    case design_kind::latin_hypercube: return samples;
    case design_kind::sobol: return times(samples, design.varied.size() + 2);
    case design_kind::morris:
        return times(static_cast<std::uint64_t>(std::max(design.trajectories, 0)), design.varied.size() + 1);
    case design_kind::efast:
        return times(times(samples, static_cast<std::uint64_t>(std::max(design.resamples, 0))), design.varied.size());
    }
    return 0;
}

}  // namespace zemrath
