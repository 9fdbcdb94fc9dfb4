#include <cmath>
#include <numbers>

#include "base/library_call.hpp"
#include "experiment/outcome_values.hpp"
#include "experiment/unit_rows.hpp"
#include "zemrath/sensitivity.hpp"

namespace zemrath {

namespace {

// cos and sin of 2 pi m / N for m from 0 to N - 1.
struct unit_circle {
    std::vector<double> cos, sin;
};

unit_circle circle_of(std::size_t n) {
    unit_circle c;
    for (std::size_t m = 0; m < n; ++m) {
        const double angle = 2 * std::numbers::pi * static_cast<double>(m) / static_cast<double>(n);
        c.cos.push_back(std::cos(angle));
        c.sin.push_back(std::sin(angle));
    }
    return c;
}

// The spectrum of a curve's values: |F(q)|^2 / N^2 for the frequencies q
// from 1 to (N + 1) / 2 - 1, element q - 1, the discrete Fourier transform
// summed directly (the curves are at most most_efast_samples long). The
// angle of point i is that of q i mod N, from the table, so it stays exact
// however long the curve.
std::vector<double> spectrum(std::span<const double> y, const unit_circle& circle) {
    const std::size_t n = y.size();
    std::vector<double> power;
    for (std::size_t q = 1; q < (n + 1) / 2; ++q) {
        double re = 0, im = 0;
        for (std::size_t i = 0, m = 0; i < n; ++i, m = (m + q) % n) {
            re += y[i] * circle.cos[m];
            im -= y[i] * circle.sin[m];
        }
        power.push_back((re * re + im * im) / (static_cast<double>(n) * static_cast<double>(n)));
    }
    return power;
}

struct phase_estimate {
    double first = not_a_number;
    double total = not_a_number;
};

phase_estimate estimate(std::span<const double> y, std::int32_t frequency, const unit_circle& circle) {
    const std::vector<double> power = spectrum(y, circle);
    double variance = 0;
    for (double p : power) variance += 2 * p;
    if (!(variance > 0)) return {};
    double own = 0;
    for (int h = 1; h <= efast_harmonics; ++h) own += 2 * power[static_cast<std::size_t>(h * frequency) - 1];
    // The low frequencies, up to half the parameter's own, are those of the
    // other parameters and their interactions.
    double others = 0;
    for (std::size_t q = 1; q <= static_cast<std::size_t>(frequency / 2); ++q) others += 2 * power[q - 1];
    return {own / variance, 1 - others / variance};
}

struct spread {
    double mean = not_a_number;
    double low = not_a_number;
    double high = not_a_number;
};

spread over_phases(const std::vector<double>& estimates) {
    std::vector<double> numbers;
    for (double e : estimates)
        if (!std::isnan(e)) numbers.push_back(e);
    if (numbers.empty()) return {};
    const double n = static_cast<double>(numbers.size());
    double sum = 0;
    for (double e : numbers) sum += e;
    const double mean = sum / n;
    if (numbers.size() < 2) return {mean};
    double squares = 0;
    for (double e : numbers) squares += (e - mean) * (e - mean);
    const double margin = 1.96 * std::sqrt(squares / (n - 1) / n);
    return {mean, mean - margin, mean + margin};
}

}  // namespace

std::vector<sobol_index> efast_indices(const experiment_design& design, std::span<const point_outcomes> outcomes) {
    const std::size_t parameters = design.varied.size();
    const auto samples = static_cast<std::size_t>(design.samples);
    const auto phases = static_cast<std::size_t>(design.resamples);
    check_point_count(samples * phases * parameters, outcomes.size());
    return library_call([&] {
        std::vector<sobol_index> indices;
        const unit_circle circle = circle_of(samples);
        for (std::size_t k = 0; k < outcome_columns.size(); ++k) {
            const std::vector<double> y = outcome_values(outcomes, k);
            const bool missing = any_missing(y);
            for (std::size_t i = 0; i < parameters; ++i) {
                const std::int32_t frequency = efast_frequencies(parameters, design.samples, i)[i];
                std::vector<double> first, total;
                for (std::size_t r = 0; r < phases && !missing; ++r) {
                    const std::span<const double> curve(y.data() + (i * phases + r) * samples, samples);
                    const phase_estimate e = estimate(curve, frequency, circle);
                    first.push_back(e.first);
                    total.push_back(e.total);
                }
                const spread f = over_phases(first), t = over_phases(total);
                const index_definition defined = missing              ? index_definition::outcome_missing
                                                 : std::isnan(f.mean) ? index_definition::outcome_constant
                                                                      : index_definition::defined;
                indices.push_back({i, k, f.mean, f.low, f.high, t.mean, t.low, t.high, defined});
            }
        }
        return indices;
    });
}

}  // namespace zemrath
