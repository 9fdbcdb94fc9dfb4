#include <algorithm>
#include <cmath>
#include <numeric>

#include "design_random.hpp"
#include "experiment/unit_rows.hpp"

namespace zemrath {

namespace {

// One trajectory after Morris (1991): a random start on the grid of
// levels, then each parameter in a random order moved by the step, up or
// down as its start allows.
unit_rows trajectory(std::size_t parameters, std::int32_t levels, design_random& random) {
    const auto half = static_cast<std::uint64_t>(levels / 2);
    const double spacing = 1.0 / (levels - 1);
    std::vector<std::size_t> order(parameters);
    std::iota(order.begin(), order.end(), std::size_t{0});
    for (std::size_t i = parameters - 1; i > 0; --i) std::swap(order[i], order[next_below(random, i + 1)]);
    std::vector<double> low(parameters), high(parameters), row(parameters);
    for (std::size_t j = 0; j < parameters; ++j) {
        const auto level = next_below(random, half);
        low[j] = static_cast<double>(level) * spacing;
        high[j] = static_cast<double>(level + half) * spacing;
        row[j] = next_below(random, 2) == 0 ? low[j] : high[j];
    }
    unit_rows rows{row};
    for (std::size_t j : order) {
        row[j] = row[j] == low[j] ? high[j] : low[j];
        rows.push_back(row);
    }
    return rows;
}

// The distance between two trajectories of Campolongo et al. (2007): the
// sum of the distances between each point of one and each of the other.
double distance(const unit_rows& a, const unit_rows& b) {
    double sum = 0;
    for (const auto& x : a)
        for (const auto& y : b) {
            double squares = 0;
            for (std::size_t j = 0; j < x.size(); ++j) squares += (x[j] - y[j]) * (x[j] - y[j]);
            sum += std::sqrt(squares);
        }
    return sum;
}

// The `keep` most spread candidates, in their order: the candidate that
// adds least to the sum of the squared distances between those left is
// dropped, one at a time (a greedy search for the spread that Campolongo
// et al. 2007 maximise, which would otherwise try every combination).
std::vector<unit_rows> most_spread(std::vector<unit_rows> candidates, std::size_t keep) {
    const std::size_t n = candidates.size();
    std::vector<std::vector<double>> squared(n, std::vector<double>(n, 0));
    std::vector<double> share(n, 0);
    for (std::size_t a = 0; a < n; ++a)
        for (std::size_t b = 0; b < a; ++b) {
            const double d = distance(candidates[a], candidates[b]);
            squared[a][b] = squared[b][a] = d * d;
            share[a] += d * d;
            share[b] += d * d;
        }
    std::vector<bool> kept(n, true);
    for (std::size_t left = n; left > keep; --left) {
        std::size_t weakest = n;
        for (std::size_t a = 0; a < n; ++a)
            if (kept[a] && (weakest == n || share[a] < share[weakest])) weakest = a;
        kept[weakest] = false;
        for (std::size_t a = 0; a < n; ++a) share[a] -= squared[a][weakest];
    }
    std::vector<unit_rows> chosen;
    for (std::size_t a = 0; a < n; ++a)
        if (kept[a]) chosen.push_back(std::move(candidates[a]));
    return chosen;
}

}  // namespace

double morris_step(std::int32_t levels) { return levels / (2.0 * (levels - 1)); }

unit_rows morris_rows(const experiment_design& design) {
    design_random random{design.sample_seed};
    const auto keep = static_cast<std::size_t>(design.trajectories);
    const std::size_t drawn = std::max(keep, static_cast<std::size_t>(std::max(design.select_from, 0)));
    std::vector<unit_rows> candidates;
    for (std::size_t t = 0; t < drawn; ++t) candidates.push_back(trajectory(design.varied.size(), design.levels, random));
    if (drawn > keep) candidates = most_spread(std::move(candidates), keep);
    unit_rows rows;
    for (const unit_rows& t : candidates) rows.insert(rows.end(), t.begin(), t.end());
    return rows;
}

}  // namespace zemrath
