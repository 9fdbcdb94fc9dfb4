#include "zemrath/rank_correlation.hpp"

#include <algorithm>
#include <boost/math/distributions/students_t.hpp>
#include <cmath>
#include <numeric>

#include "base/library_call.hpp"
#include "experiment/outcome_values.hpp"

namespace zemrath {

namespace {

using matrix = std::vector<std::vector<double>>;

// Ranks from 1, ties sharing the mean of the ranks they span; not a number
// ranks last, so that the order stays one.
std::vector<double> ranks_of(std::span<const double> values) {
    std::vector<std::size_t> order(values.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return std::isnan(values[b]) ? !std::isnan(values[a]) : values[a] < values[b];
    });
    std::vector<double> ranks(values.size());
    for (std::size_t i = 0; i < order.size();) {
        std::size_t end = i;
        while (end + 1 < order.size() && values[order[end + 1]] == values[order[i]]) ++end;
        const double shared = (static_cast<double>(i + end) / 2) + 1;
        for (std::size_t k = i; k <= end; ++k) ranks[order[k]] = shared;
        i = end + 1;
    }
    return ranks;
}

std::vector<double> centred(std::vector<double> column) {
    const double mean = std::accumulate(column.begin(), column.end(), 0.0) / static_cast<double>(column.size());
    for (double& v : column) v -= mean;
    return column;
}

double dot(const std::vector<double>& a, const std::vector<double>& b) {
    return std::inner_product(a.begin(), a.end(), b.begin(), 0.0);
}

// The inverse by Gauss-Jordan elimination with partial pivoting; empty when
// a pivot vanishes against the matrix's scale (a column that is a linear
// combination of the others).
matrix inverse(matrix a) {
    const std::size_t m = a.size();
    double scale_of_matrix = 0;
    for (const auto& row : a)
        for (double v : row) scale_of_matrix = std::max(scale_of_matrix, std::fabs(v));
    matrix inv(m, std::vector<double>(m, 0));
    for (std::size_t i = 0; i < m; ++i) inv[i][i] = 1;
    for (std::size_t col = 0; col < m; ++col) {
        std::size_t pivot = col;
        for (std::size_t r = col + 1; r < m; ++r)
            if (std::fabs(a[r][col]) > std::fabs(a[pivot][col])) pivot = r;
        if (!(std::fabs(a[pivot][col]) > 1e-12 * scale_of_matrix)) return {};
        std::swap(a[col], a[pivot]);
        std::swap(inv[col], inv[pivot]);
        const double scale = a[col][col];
        for (std::size_t k = 0; k < m; ++k) a[col][k] /= scale, inv[col][k] /= scale;
        for (std::size_t r = 0; r < m; ++r) {
            if (r == col || a[r][col] == 0) continue;
            const double factor = a[r][col];
            for (std::size_t k = 0; k < m; ++k) a[r][k] -= factor * a[col][k], inv[r][k] -= factor * inv[col][k];
        }
    }
    return inv;
}

// What is left of a centred column after its least-squares fit on the
// centred columns given, whose Gram matrix has the inverse given.
std::vector<double> residuals(std::vector<double> v, const matrix& on, const matrix& inverse_gram) {
    std::vector<double> projections;
    for (const auto& column : on) projections.push_back(dot(column, v));
    for (std::size_t a = 0; a < on.size(); ++a) {
        double beta = 0;
        for (std::size_t b = 0; b < on.size(); ++b) beta += inverse_gram[a][b] * projections[b];
        for (std::size_t i = 0; i < v.size(); ++i) v[i] -= beta * on[a][i];
    }
    return v;
}

// The partial correlation of column j with y, the other columns taken out
// as the residuals of both after a fit on them; not a number when the
// others are linearly dependent or a residual is 0.
struct partial_fit {
    matrix others;
    matrix inverse_gram;
    std::vector<double> x_left;
    bool usable = true;
};

partial_fit fit_without(const matrix& columns, std::size_t j) {
    partial_fit fit;
    for (std::size_t k = 0; k < columns.size(); ++k)
        if (k != j) fit.others.push_back(columns[k]);
    matrix gram(fit.others.size(), std::vector<double>(fit.others.size()));
    for (std::size_t a = 0; a < fit.others.size(); ++a)
        for (std::size_t b = 0; b < fit.others.size(); ++b) gram[a][b] = dot(fit.others[a], fit.others[b]);
    fit.inverse_gram = inverse(gram);
    fit.usable = fit.others.empty() || !fit.inverse_gram.empty();
    if (fit.usable) fit.x_left = residuals(columns[j], fit.others, fit.inverse_gram);
    return fit;
}

double partial_correlation(const partial_fit& fit, const std::vector<double>& y) {
    if (!fit.usable) return not_a_number;
    const std::vector<double> y_left = residuals(y, fit.others, fit.inverse_gram);
    const double scale = std::sqrt(dot(fit.x_left, fit.x_left) * dot(y_left, y_left));
    if (!(scale > 0)) return not_a_number;
    return std::clamp(dot(fit.x_left, y_left) / scale, -1.0, 1.0);
}

double two_sided_p_value(double r, double freedom) {
    if (!(freedom >= 1) || std::isnan(r)) return not_a_number;
    if (std::fabs(r) >= 1) return 0;
    const double t = std::fabs(r) * std::sqrt(freedom / (1 - r * r));
    return 2 * boost::math::cdf(boost::math::complement(boost::math::students_t(freedom), t));
}

bool varies(std::span<const double> values) {
    return std::any_of(values.begin(), values.end(), [&](double v) { return v != values.front(); });
}

}  // namespace

std::vector<partial_rank_correlation> partial_rank_correlations(const experiment_design& design,
                                                                std::span<const point_outcomes> outcomes) {
    const std::vector<parameter_set> points = design_points(design);
    check_point_count(points.size(), outcomes.size());
    return library_call([&] {
        const std::size_t parameters = design.varied.size();
        matrix columns;
        for (const varied_parameter& v : design.varied) {
            std::vector<double> values;
            for (const parameter_set& point : points) values.push_back(answer_value(point, v.answer));
            columns.push_back(centred(ranks_of(values)));
        }
        std::vector<partial_fit> fits;
        for (std::size_t j = 0; j < parameters; ++j) fits.push_back(fit_without(columns, j));
        const double freedom = static_cast<double>(points.size()) - 2 - static_cast<double>(parameters - 1);
        std::vector<partial_rank_correlation> found;
        for (std::size_t k = 0; k < outcome_columns.size(); ++k) {
            const std::vector<double> y = outcome_values(outcomes, k);
            const index_definition defined = any_missing(y) ? index_definition::outcome_missing
                                             : !varies(y)   ? index_definition::outcome_constant
                                                            : index_definition::defined;
            const std::vector<double> y_ranks = defined == index_definition::defined ? centred(ranks_of(y)) : y;
            for (std::size_t j = 0; j < parameters; ++j) {
                const double r =
                    defined == index_definition::defined ? partial_correlation(fits[j], y_ranks) : not_a_number;
                found.push_back({j, k, r, two_sided_p_value(r, freedom), defined});
            }
        }
        return found;
    });
}

}  // namespace zemrath
