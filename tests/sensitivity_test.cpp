// The screening, spectral, rank-correlation and variance-split measures on
// functions whose answers are known, and the designs they read.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <numeric>
#include <set>

#include "experiment/unit_rows.hpp"
#include "zemrath/design.hpp"
#include "zemrath/ensemble.hpp"
#include "zemrath/ensemble_analysis.hpp"
#include "zemrath/rank_correlation.hpp"
#include "zemrath/screening.hpp"
#include "zemrath/sensitivity.hpp"
#include "zemrath/sweep_analysis.hpp"
#include "zemrath/variance_share.hpp"

namespace zemrath {
namespace {

// Real answers, whose values are not rounded.
constexpr std::size_t real_answers[] = {0, 1, 2, 3, 4, 5, 6, 8};

varied_parameter ranged(std::size_t answer, double from, double to) {
    varied_parameter v;
    v.answer = answer;
    v.from = from;
    v.to = to;
    return v;
}

experiment_design design_of(design_kind kind, std::vector<varied_parameter> varied) {
    experiment_design d;
    d.base.adult_survival = 0.5;
    d.base.carrying_capacity = 1000;
    d.base.max_reproduction_age = 4;
    d.base.generations = 50;
    d.kind = kind;
    d.varied = std::move(varied);
    d.sample_seed = 11;
    return d;
}

// Outcome 0 (the extinct share) of every point as f of the varied
// parameters' values; the others 0.
template <typename F>
std::vector<point_outcomes> outcomes_of(const experiment_design& design, const std::vector<parameter_set>& points, F f) {
    std::vector<point_outcomes> outcomes;
    for (const parameter_set& p : points) {
        std::vector<double> x;
        for (const varied_parameter& v : design.varied) x.push_back(answer_value(p, v.answer));
        point_outcomes o{};
        o.extinct_fraction = f(x);
        outcomes.push_back(o);
    }
    return outcomes;
}

std::vector<morris_effect> of_outcome(std::vector<morris_effect> all, std::size_t outcome) {
    std::erase_if(all, [&](const morris_effect& e) { return e.outcome != outcome; });
    return all;
}

TEST(Morris, TrajectoriesStepOneParameterAtATimeOnTheGrid) {
    for (const std::int32_t levels : {2, 4, 8}) {
        SCOPED_TRACE(levels);
        experiment_design d = design_of(design_kind::morris, {ranged(0, 0, 1), ranged(2, 0, 1), ranged(4, 1, 3)});
        d.trajectories = 7;
        d.levels = levels;
        const unit_rows rows = morris_rows(d);
        ASSERT_EQ(rows.size(), 7u * 4);
        ASSERT_EQ(design_points(d).size(), rows.size());
        EXPECT_EQ(design_size(d), rows.size());
        for (std::size_t t = 0; t < 7; ++t) {
            std::set<std::size_t> moved;
            for (std::size_t m = 4 * t; m < 4 * t + 3; ++m) {
                std::size_t changed = 0;
                for (std::size_t j = 0; j < 3; ++j) {
                    const double step = rows[m + 1][j] - rows[m][j];
                    if (step == 0) continue;
                    ++changed;
                    moved.insert(j);
                    EXPECT_NEAR(std::fabs(step), morris_step(levels), 1e-12);
                }
                EXPECT_EQ(changed, 1u);
            }
            EXPECT_EQ(moved.size(), 3u);  // every parameter once per trajectory
        }
        for (const auto& row : rows)
            for (double u : row) {
                EXPECT_TRUE(u >= 0 && u <= 1);
                const double level = u * (levels - 1);
                EXPECT_NEAR(level, std::round(level), 1e-9);
            }
    }
}

double spread(const unit_rows& rows, std::size_t per_trajectory) {
    const auto distance = [&](std::size_t a, std::size_t b) {
        double sum = 0;
        for (std::size_t i = 0; i < per_trajectory; ++i)
            for (std::size_t k = 0; k < per_trajectory; ++k) {
                double s = 0;
                for (std::size_t j = 0; j < rows[0].size(); ++j)
                    s += std::pow(rows[a * per_trajectory + i][j] - rows[b * per_trajectory + k][j], 2);
                sum += std::sqrt(s);
            }
        return sum;
    };
    double total = 0;
    const std::size_t n = rows.size() / per_trajectory;
    for (std::size_t a = 0; a < n; ++a)
        for (std::size_t b = 0; b < a; ++b) total += distance(a, b) * distance(a, b);
    return total;
}

TEST(Morris, SelectingFromCandidatesKeepsTheMostSpreadOfThem) {
    experiment_design d = design_of(design_kind::morris, {ranged(0, 0, 1), ranged(2, 0, 1), ranged(4, 1, 3)});
    d.trajectories = 5;
    const unit_rows plain = morris_rows(d);
    d.select_from = 40;
    const unit_rows chosen = morris_rows(d);
    ASSERT_EQ(chosen.size(), plain.size());
    // Those chosen are drawn among the 40 candidates, of which the plain
    // design keeps the first 5, and are further apart than those.
    d.trajectories = 40;
    d.select_from = 0;
    const unit_rows candidates = morris_rows(d);
    for (std::size_t t = 0; t < 5; ++t) {
        bool found = false;
        for (std::size_t c = 0; c < 40 && !found; ++c)
            found = std::equal(chosen.begin() + 4 * t, chosen.begin() + 4 * t + 4, candidates.begin() + 4 * c);
        EXPECT_TRUE(found) << t;
    }
    EXPECT_TRUE(std::equal(plain.begin(), plain.end(), candidates.begin()));
    EXPECT_GT(spread(chosen, 4), 1.2 * spread(plain, 4));
}

TEST(Morris, LinearFunctionHasConstantEffects) {
    // Y = 3 x1 - 2 x2 + 0 x3 over ranges 2, 0.5 and 10 wide: every
    // elementary effect is the coefficient times the range.
    experiment_design d =
        design_of(design_kind::morris, {ranged(0, 0, 2), ranged(3, 100, 100.5), ranged(4, -5, 5)});
    d.trajectories = 12;
    d.select_from = 30;
    const auto points = design_points(d);
    const auto effects = of_outcome(
        morris_effects(d, outcomes_of(d, points, [](const std::vector<double>& x) { return 3 * x[0] - 2 * x[1]; }), 100),
        0);
    const double expected[] = {6, -1, 0};
    ASSERT_EQ(effects.size(), 3u);
    for (const morris_effect& e : effects) {
        SCOPED_TRACE(e.parameter);
        EXPECT_NEAR(e.mu, expected[e.parameter], 1e-9);
        EXPECT_NEAR(e.mu_star, std::fabs(expected[e.parameter]), 1e-9);
        EXPECT_NEAR(e.sigma, 0, 1e-9);
        EXPECT_NEAR(e.mu_star_low, e.mu_star, 1e-9);
        EXPECT_NEAR(e.mu_star_high, e.mu_star, 1e-9);
    }
}

TEST(Morris, EffectsAgainstAPlainComputationAndTheirInterval) {
    // Y = x1 x2 + x3^2: effects vary, and mu, mu_star and sigma are those
    // of the effects worked out here from the points and their order.
    experiment_design d = design_of(design_kind::morris, {ranged(0, 0, 1), ranged(2, 0, 1), ranged(4, 0, 1)});
    d.trajectories = 30;
    d.levels = 6;
    const auto points = design_points(d);
    const auto f = [](const std::vector<double>& x) { return x[0] * x[1] + x[2] * x[2]; };
    const auto outcomes = outcomes_of(d, points, f);
    const auto effects = of_outcome(morris_effects(d, outcomes, 500), 0);
    for (std::size_t j = 0; j < 3; ++j) {
        std::vector<double> ee;
        for (std::size_t m = 0; m + 1 < points.size(); ++m) {
            if (m % 4 == 3) continue;  // the last point of a trajectory
            const double a = answer_value(points[m], d.varied[j].answer), b = answer_value(points[m + 1], d.varied[j].answer);
            // On a range from 0 to 1 the step is the change of the value.
            if (a != b) ee.push_back((outcomes[m + 1].extinct_fraction - outcomes[m].extinct_fraction) / (b - a));
        }
        ASSERT_EQ(ee.size(), 30u);
        const double mean = std::accumulate(ee.begin(), ee.end(), 0.0) / 30;
        double absolute = 0, squares = 0;
        for (double e : ee) absolute += std::fabs(e), squares += (e - mean) * (e - mean);
        EXPECT_NEAR(effects[j].mu, mean, 1e-9);
        EXPECT_NEAR(effects[j].mu_star, absolute / 30, 1e-9);
        EXPECT_NEAR(effects[j].sigma, std::sqrt(squares / 29), 1e-9);
        EXPECT_LT(effects[j].mu_star_low, effects[j].mu_star);
        EXPECT_GT(effects[j].mu_star_high, effects[j].mu_star);
    }
    // A missing outcome defines no effect.
    auto damaged = outcomes;
    damaged[9].extinct_fraction = std::nan("");
    const auto none = of_outcome(morris_effects(d, damaged, 10), 0);
    EXPECT_EQ(none[0].defined, index_definition::outcome_missing);
    EXPECT_TRUE(std::isnan(none[0].mu_star));
    EXPECT_THROW(morris_effects(d, std::span(outcomes).first(10), 10), error);
}

TEST(Morris, TestFunctionOfMorris1991RanksTheImportantParameters) {
    // Morris (1991), section 4: 20 inputs, w_i = 2 (x_i - 1/2) but for
    // i = 3, 5, 7, w_i = 2 (1.1 x_i / (x_i + 0.1) - 1/2); b_i = 20 for
    // i <= 10, b_ij = -15 for i, j <= 6, b_ijl = -10 for i, j, l <= 5,
    // b_ijls = 5 for i, j, l, s <= 4. The paper draws the remaining first-
    // and second-order coefficients from a standard normal; here they are
    // (-1)^i and (-1)^(i+j), as small. The first ten matter; of those 8, 9
    // and 10 act alone and linearly, while 1 to 7 bend or interact.
    constexpr std::size_t k = 20;
    experiment_design d = design_of(design_kind::morris, {});
    for (std::size_t j = 0; j < k; ++j) d.varied.push_back(ranged(j % 8, 0, 1));  // the estimator reads only the count
    d.trajectories = 50;
    d.select_from = 200;
    const unit_rows rows = morris_rows(d);
    std::vector<point_outcomes> outcomes;
    for (const auto& x : rows) {
        double w[k];
        for (std::size_t i = 0; i < k; ++i)
            w[i] = (i == 2 || i == 4 || i == 6) ? 2 * (1.1 * x[i] / (x[i] + 0.1) - 0.5) : 2 * (x[i] - 0.5);
        double y = 0;
        for (std::size_t i = 0; i < k; ++i) y += (i < 10 ? 20 : (i % 2 == 0 ? -1 : 1)) * w[i];
        for (std::size_t i = 0; i < k; ++i)
            for (std::size_t j = i + 1; j < k; ++j) y += (j < 6 ? -15 : ((i + j) % 2 == 0 ? 1 : -1)) * w[i] * w[j];
        for (std::size_t i = 0; i < 5; ++i)
            for (std::size_t j = i + 1; j < 5; ++j)
                for (std::size_t l = j + 1; l < 5; ++l) y += -10 * w[i] * w[j] * w[l];
        y += 5 * w[0] * w[1] * w[2] * w[3];
        point_outcomes o{};
        o.extinct_fraction = y;
        outcomes.push_back(o);
    }
    const auto effects = of_outcome(morris_effects(d, outcomes, 50), 0);
    std::vector<std::size_t> order(k);
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return effects[a].mu_star > effects[b].mu_star; });
    EXPECT_EQ(std::set<std::size_t>(order.begin(), order.begin() + 10), (std::set<std::size_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
    for (std::size_t j : {7, 8, 9}) EXPECT_LT(effects[j].sigma, 0.25 * effects[j].mu_star) << j;
    for (std::size_t j = 0; j < 7; ++j) EXPECT_GT(effects[j].sigma, 0.25 * effects[j].mu_star) << j;
}

TEST(Efast, IshigamiIndices) {
    // Y = sin x1 + 7 sin^2 x2 + 0.1 x3^4 sin x1 on [-pi, pi]^3 (Ishigami &
    // Homma 1990): first-order 0.314, 0.442, 0; total-order 0.558, 0.442,
    // 0.244.
    const double pi = std::numbers::pi;
    experiment_design d = design_of(design_kind::efast, {ranged(0, -pi, pi), ranged(1, -pi, pi), ranged(2, -pi, pi)});
    d.samples = 1025;
    d.resamples = 4;
    const auto points = design_points(d);
    ASSERT_EQ(points.size(), 1025u * 4 * 3);
    EXPECT_EQ(design_size(d), points.size());
    const auto outcomes = outcomes_of(d, points, [](const std::vector<double>& x) {
        return std::sin(x[0]) + 7 * std::pow(std::sin(x[1]), 2) + 0.1 * std::pow(x[2], 4) * std::sin(x[0]);
    });
    const double first[] = {0.314, 0.442, 0}, total[] = {0.558, 0.442, 0.244};
    for (const sobol_index& i : efast_indices(d, outcomes)) {
        if (i.outcome == 0) {
            SCOPED_TRACE(i.parameter);
            EXPECT_EQ(i.defined, index_definition::defined);
            EXPECT_NEAR(i.first_order, first[i.parameter], 0.03);
            EXPECT_NEAR(i.total_order, total[i.parameter], 0.05);
            EXPECT_LE(i.first_order_low, i.first_order);
            EXPECT_GE(i.first_order_high, i.first_order);
            EXPECT_LT(i.total_order_high - i.total_order_low, 0.1);
        } else if (i.outcome == 1) {  // 0 at every point
            EXPECT_EQ(i.defined, index_definition::outcome_constant);
            EXPECT_TRUE(std::isnan(i.first_order));
        }
    }
}

TEST(Efast, OnePhaseHasNoIntervalAndTheDesignFollowsItsSeed) {
    experiment_design d = design_of(design_kind::efast, {ranged(0, 0, 1), ranged(2, 0, 1)});
    d.samples = 65;
    const auto points = design_points(d);
    EXPECT_EQ(design_points(d), points);
    const auto outcomes = outcomes_of(d, points, [](const std::vector<double>& x) { return x[0] + 2 * x[1]; });
    for (const sobol_index& i : efast_indices(d, outcomes))
        if (i.outcome == 0) {
            EXPECT_NEAR(i.first_order, i.parameter == 0 ? 0.2 : 0.8, 0.05);
            EXPECT_TRUE(std::isnan(i.first_order_low) && std::isnan(i.total_order_high));
        }
    // Each parameter's own frequency is the highest on its curve, and the
    // others' harmonics stay below it.
    for (std::size_t i = 0; i < 5; ++i) {
        const auto w = efast_frequencies(5, 129, i);
        EXPECT_EQ(w[i], 16);
        for (std::size_t j = 0; j < 5; ++j)
            if (j != i) {
                EXPECT_LE(w[j] * 2 * efast_harmonics, w[i]);
            }
    }
    d.sample_seed = 12;
    EXPECT_NE(design_points(d), points);
    for (const std::int32_t samples : {fewest_efast_samples - 1, most_efast_samples + 1}) {
        d.samples = samples;
        EXPECT_THROW(design_points(d), error) << samples;
    }
}

// The partial correlation worked out plainly: the residuals of the ranks of
// x_j and of y after a least-squares fit on the ranks of the others.
double plain_prcc(const std::vector<std::vector<double>>& ranks, const std::vector<double>& y, std::size_t j) {
    const std::size_t n = y.size();
    std::vector<std::vector<double>> others;
    for (std::size_t k = 0; k < ranks.size(); ++k)
        if (k != j) others.push_back(ranks[k]);
    const auto residuals = [&](const std::vector<double>& target) {
        // Normal equations with an intercept, solved by elimination.
        const std::size_t m = others.size() + 1;
        std::vector<std::vector<double>> a(m, std::vector<double>(m + 1, 0));
        const auto column = [&](std::size_t c, std::size_t i) { return c == 0 ? 1.0 : others[c - 1][i]; };
        for (std::size_t r = 0; r < m; ++r) {
            for (std::size_t c = 0; c < m; ++c)
                for (std::size_t i = 0; i < n; ++i) a[r][c] += column(r, i) * column(c, i);
            for (std::size_t i = 0; i < n; ++i) a[r][m] += column(r, i) * target[i];
        }
        for (std::size_t c = 0; c < m; ++c)
            for (std::size_t r = 0; r < m; ++r)
                if (r != c) {
                    const double f = a[r][c] / a[c][c];
                    for (std::size_t k = 0; k <= m; ++k) a[r][k] -= f * a[c][k];
                }
        std::vector<double> e(n);
        for (std::size_t i = 0; i < n; ++i) {
            double fit = 0;
            for (std::size_t c = 0; c < m; ++c) fit += a[c][m] / a[c][c] * column(c, i);
            e[i] = target[i] - fit;
        }
        return e;
    };
    const auto ex = residuals(ranks[j]), ey = residuals(y);
    double xy = 0, xx = 0, yy = 0;
    for (std::size_t i = 0; i < n; ++i) xy += ex[i] * ey[i], xx += ex[i] * ex[i], yy += ey[i] * ey[i];
    return xy / std::sqrt(xx * yy);
}

std::vector<double> plain_ranks(const std::vector<double>& v) {
    std::vector<double> r(v.size());
    for (std::size_t i = 0; i < v.size(); ++i) {
        double below = 0, equal = 0;
        for (double w : v) below += w < v[i], equal += w == v[i];
        r[i] = below + (equal + 1) / 2;
    }
    return r;
}

TEST(Prcc, MonotoneFunctionInTheOrderOfItsEffects) {
    // Y = exp(3 x1) - 0.5 x2 + noise, x3 without effect: x1 strongly
    // positive, x2 weaker and negative, x3 near 0 with a large p-value.
    experiment_design d = design_of(design_kind::latin_hypercube, {ranged(0, 0, 1), ranged(2, 0, 1), ranged(4, 0, 1)});
    d.samples = 200;
    const auto points = design_points(d);
    std::uint64_t state = 7;
    const auto noise = [&] {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<double>(state >> 11) * 0x1.0p-53 - 0.5;
    };
    const auto outcomes =
        outcomes_of(d, points, [&](const std::vector<double>& x) { return std::exp(3 * x[0]) - 0.5 * x[1] + noise(); });
    std::vector<partial_rank_correlation> found = partial_rank_correlations(d, outcomes);
    std::erase_if(found, [](const partial_rank_correlation& c) { return c.outcome != 0; });
    ASSERT_EQ(found.size(), 3u);
    EXPECT_GT(found[0].prcc, 0.9);
    EXPECT_LT(found[1].prcc, -0.1);
    EXPECT_GT(found[0].prcc, -found[1].prcc);
    EXPECT_LT(std::fabs(found[2].prcc), 0.15);
    EXPECT_LT(found[0].prcc_p_value, 1e-10);
    EXPECT_LT(found[1].prcc_p_value, 0.05);
    EXPECT_GT(found[2].prcc_p_value, 0.05);

    std::vector<std::vector<double>> ranks;
    for (const varied_parameter& v : d.varied) {
        std::vector<double> x;
        for (const parameter_set& p : points) x.push_back(answer_value(p, v.answer));
        ranks.push_back(plain_ranks(x));
    }
    std::vector<double> y;
    for (const point_outcomes& o : outcomes) y.push_back(o.extinct_fraction);
    for (std::size_t j = 0; j < 3; ++j) EXPECT_NEAR(found[j].prcc, plain_prcc(ranks, plain_ranks(y), j), 1e-9) << j;
}

// The two-sided p-value of Student's t with an even number of degrees of
// freedom, in closed form (Abramowitz & Stegun 1964, 26.7.3):
// 1 - sin(theta) (1 + cos^2/2 + 1.3/(2.4) cos^4 + ...), theta = atan(t / sqrt(v)).
double even_freedom_p_value(double t, int freedom) {
    const double theta = std::atan(t / std::sqrt(freedom)), c2 = std::cos(theta) * std::cos(theta);
    double term = 1, sum = 1;
    for (int k = 2; k <= freedom - 2; k += 2) sum += (term *= c2 * (k - 1) / k);
    return 1 - std::sin(theta) * sum;
}

TEST(Prcc, PValueOfTheTDistributionAndUndefinedCases) {
    // One parameter: the coefficient is Spearman's rho, 1 - 6 sum d^2 /
    // (n (n^2 - 1)), and with 12 points it has 10 degrees of freedom.
    experiment_design d = design_of(design_kind::latin_hypercube, {ranged(0, 0, 1)});
    d.samples = 12;
    const auto points = design_points(d);
    std::vector<double> x;
    for (const parameter_set& p : points) x.push_back(answer_value(p, 0));
    const std::vector<double> rx = plain_ranks(x);
    const int rank_of_y[12] = {3, 1, 4, 2, 8, 5, 6, 10, 7, 12, 9, 11};  // at x's ranks 1 to 12
    double squares = 0;
    for (int i = 0; i < 12; ++i) squares += (rank_of_y[i] - (i + 1)) * (rank_of_y[i] - (i + 1));
    std::vector<point_outcomes> outcomes(12);
    for (std::size_t i = 0; i < 12; ++i) outcomes[i].extinct_fraction = rank_of_y[static_cast<std::size_t>(rx[i]) - 1];
    const auto c = partial_rank_correlations(d, outcomes).front();
    const double rho = 1 - 6 * squares / (12 * 143);
    EXPECT_NEAR(c.prcc, rho, 1e-12);
    const double t = rho * std::sqrt(10 / (1 - rho * rho));
    EXPECT_NEAR(c.prcc_p_value, even_freedom_p_value(t, 10), 1e-12);
    EXPECT_GT(c.prcc_p_value, 0);
    EXPECT_LT(c.prcc_p_value, 0.01);

    // Constant and missing outcomes, and no degree of freedom.
    for (point_outcomes& o : outcomes) o.adults_mean = 3, o.adults_p5 = std::nan("");
    const auto all = partial_rank_correlations(d, outcomes);
    EXPECT_EQ(all[1].defined, index_definition::outcome_constant);
    EXPECT_EQ(all[2].defined, index_definition::outcome_missing);
    EXPECT_TRUE(std::isnan(all[1].prcc) && std::isnan(all[2].prcc_p_value));
    d.samples = 2;
    const auto two = design_points(d);
    std::vector<point_outcomes> pair(2);
    pair[1].extinct_fraction = 1;
    const auto c2 = partial_rank_correlations(d, pair).front();
    EXPECT_DOUBLE_EQ(c2.prcc, 1);
    EXPECT_TRUE(std::isnan(c2.prcc_p_value));
}

TEST(VarianceShare, SplitsExactlyAsABruteForceOverEveryStream) {
    // Three points over 40 streams: the variance of all 120 values, and the
    // shares, worked out from the streams' own rows.
    std::vector<std::int32_t> seeds(40);
    std::iota(seeds.begin(), seeds.end(), 0);
    std::vector<generation_summary> last;
    std::vector<std::vector<double>> adults, extinct;
    for (const double survival : {0.3, 0.5, 0.6}) {
        parameter_set p = design_of(design_kind::grid, {}).base;
        p.embryo_larval_survival = 0.013;
        p.max_juvenile_survival = 0.8;
        p.adult_survival = survival;
        p.carrying_capacity = 400;
        p.weight_increase_rate = 2;
        p.growth_inhibition = 0.5;
        p.weight_at_one_year = 0.1;
        p.fecundity_rate = 1;
        p.generations = 30;
        const ensemble_runs runs = run_ensemble(derive_model_parameters(p), seeds);
        last.push_back(analyse_ensemble(runs).summary.generations.back());
        auto& a = adults.emplace_back();
        auto& e = extinct.emplace_back();
        for (std::size_t s = 0; s < seeds.size(); ++s) {
            const double n = stream_rows(runs, s).back().adults;
            a.push_back(n);
            e.push_back(n == 0 ? 1 : 0);
        }
    }
    const auto brute = [](const std::vector<std::vector<double>>& values) {
        double sum = 0, count = 0;
        for (const auto& point : values)
            for (double v : point) sum += v, ++count;
        const double mean = sum / count;
        double total = 0, between = 0;
        for (const auto& point : values) {
            const double m = std::accumulate(point.begin(), point.end(), 0.0) / static_cast<double>(point.size());
            between += (m - mean) * (m - mean) / static_cast<double>(values.size());
            for (double v : point) total += (v - mean) * (v - mean) / count;
        }
        return std::pair{total, between / total};
    };
    const auto shares = variance_shares(last);
    ASSERT_EQ(shares.size(), 2u);
    for (const variance_share& s : shares) {
        const std::string_view name = outcome_columns[s.outcome].name;
        SCOPED_TRACE(name);
        const auto [total, points_share] = brute(name == "adults_mean" ? adults : extinct);
        ASSERT_GT(total, 0);
        EXPECT_NEAR(s.total_variance, total, 1e-9 * total);
        EXPECT_NEAR(s.points_share, points_share, 1e-9);
        EXPECT_NEAR(s.points_share + s.streams_share, 1, 1e-12);
    }
    // Without any spread, no share.
    for (generation_summary& g : last) g.adults = {}, g.extinct_fraction = 1;
    for (const variance_share& s : variance_shares(last)) {
        EXPECT_EQ(s.total_variance, 0);
        EXPECT_TRUE(std::isnan(s.points_share) && std::isnan(s.streams_share));
    }
    EXPECT_THROW(variance_shares({}), error);
}

TEST(SweepAnalysis, EachDesignKindGetsItsMeasure) {
    for (const design_kind kind : every_design_kind) {
        SCOPED_TRACE(design_kind_name(kind));
        experiment_design d = design_of(kind, {ranged(0, 0.1, 0.9), ranged(2, 0.1, 0.9)});
        d.varied[0].points = d.varied[1].points = 3;
        d.samples = kind == design_kind::efast ? 65 : 8;
        d.trajectories = 4;
        const auto points = design_points(d);
        const auto outcomes = outcomes_of(d, points, [](const std::vector<double>& x) { return x[0] - x[1]; });
        const std::vector<generation_summary> last(points.size());
        const sweep_analysis a = analyse_sweep(d, outcomes, last);
        EXPECT_EQ(has_sensitivity(kind), kind != design_kind::grid);
        EXPECT_EQ(a.effects.empty(), kind != design_kind::one_at_a_time);
        EXPECT_EQ(a.indices.empty(), kind != design_kind::sobol && kind != design_kind::efast);
        EXPECT_EQ(a.screening.empty(), kind != design_kind::morris);
        EXPECT_EQ(a.correlations.empty(), kind != design_kind::latin_hypercube);
        EXPECT_EQ(a.variance.size(), outcomes_per_stream().size());
        EXPECT_THROW(analyse_sweep(d, outcomes, std::span(last).first(1)), error);
    }
}

TEST(SweepAnalysis, AGenerationsIndicesAreThoseOfTheOutcomesOverTime) {
    std::vector<std::string> followed;
    for (std::size_t k : outcomes_over_time()) followed.emplace_back(outcome_columns[k].name);
    EXPECT_EQ(followed, (std::vector<std::string>{"extinct_fraction", "adults_mean"}));
    experiment_design d = design_of(design_kind::morris, {ranged(0, 0.1, 0.9), ranged(2, 0.1, 0.9)});
    d.trajectories = 6;
    const auto points = design_points(d);
    auto outcomes = outcomes_of(d, points, [](const std::vector<double>& x) { return x[0] * x[1]; });
    for (std::size_t i = 0; i < outcomes.size(); ++i) outcomes[i].adults_mean = outcomes[i].adults_p50 = static_cast<double>(i % 5);
    const sweep_analysis whole = analyse_sweep(d, outcomes);
    const sweep_analysis at_generation = analyse_generation(d, outcomes);
    ASSERT_EQ(at_generation.screening.size(), whole.screening.size());
    for (std::size_t i = 0; i < whole.screening.size(); ++i) {
        const morris_effect &a = at_generation.screening[i], &b = whole.screening[i];
        const std::string_view name = outcome_columns[a.outcome].name;
        if (name == "extinct_fraction" || name == "adults_mean") {
            EXPECT_EQ(a.mu_star, b.mu_star) << name;
            EXPECT_EQ(a.mu_star_high, b.mu_star_high) << name;
        } else {
            EXPECT_EQ(a.defined, index_definition::outcome_missing) << name;
        }
    }
    EXPECT_TRUE(analyse_generation(design_of(design_kind::grid, {ranged(0, 0, 1)}), outcomes).outcomes.empty());
}

TEST(Morris, ChecksNameTheKey) {
    experiment_design d = design_of(design_kind::morris, {ranged(0, 0, 1)});
    d.trajectories = 4;
    EXPECT_NO_THROW(check_design(d));
    const auto subject = [](experiment_design bad) {
        try {
            check_design(bad);
        } catch (const error& e) {
            return e.subject();
        }
        return std::string("accepted");
    };
    experiment_design bad = d;
    bad.trajectories = 1;
    EXPECT_EQ(subject(bad), "trajectories");
    bad = d;
    bad.levels = 5;
    EXPECT_EQ(subject(bad), "levels");
    bad = d;
    bad.select_from = 3;
    EXPECT_EQ(subject(bad), "select-from");
    bad.select_from = most_candidate_trajectories + 1;
    EXPECT_EQ(subject(bad), "select-from");
    bad = design_of(design_kind::efast, {ranged(0, 0, 1)});
    bad.samples = 65;
    bad.resamples = 0;
    EXPECT_EQ(subject(bad), "resamples");
}

}  // namespace
}  // namespace zemrath
