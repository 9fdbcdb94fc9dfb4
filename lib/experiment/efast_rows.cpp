#include <cmath>
#include <numbers>

#include "design_random.hpp"
#include "experiment/unit_rows.hpp"

namespace zemrath {

std::vector<std::int32_t> efast_frequencies(std::size_t parameters, std::int32_t samples, std::size_t of_interest) {
    const std::int32_t highest = (samples - 1) / (2 * efast_harmonics);
    // The others' frequencies stay below highest / (2 x harmonics), so that
    // none of their harmonics falls on one of the parameter's own.
    const std::int32_t most_other = std::max(highest / (2 * efast_harmonics), 1);
    const std::size_t others = parameters - 1;
    std::vector<std::int32_t> frequencies;
    for (std::size_t k = 0; k < others; ++k) {
        if (static_cast<std::size_t>(most_other) >= others && others > 1)
            frequencies.push_back(static_cast<std::int32_t>(
                std::floor(1 + static_cast<double>(most_other - 1) * static_cast<double>(k) / static_cast<double>(others - 1))));
        else
            frequencies.push_back(static_cast<std::int32_t>(k % static_cast<std::size_t>(most_other)) + 1);
    }
    frequencies.insert(frequencies.begin() + static_cast<std::ptrdiff_t>(of_interest), highest);
    return frequencies;
}

unit_rows efast_rows(const experiment_design& design) {
    design_random random{design.sample_seed};
    const std::size_t parameters = design.varied.size();
    const auto samples = static_cast<std::size_t>(design.samples);
    unit_rows rows;
    for (std::size_t i = 0; i < parameters; ++i) {
        const std::vector<std::int32_t> frequencies = efast_frequencies(parameters, design.samples, i);
        for (std::int32_t phase = 0; phase < design.resamples; ++phase) {
            std::vector<double> shift(parameters);
            for (double& s : shift) s = 2 * std::numbers::pi * next_unit(random);
            // The search curve of Saltelli, Tarantola & Chan (1999), which
            // fills each parameter's range evenly.
            for (std::size_t n = 0; n < samples; ++n) {
                const double s = 2 * std::numbers::pi * static_cast<double>(n) / static_cast<double>(samples);
                std::vector<double> row(parameters);
                for (std::size_t j = 0; j < parameters; ++j)
                    row[j] = 0.5 + std::asin(std::sin(frequencies[j] * s + shift[j])) / std::numbers::pi;
                rows.push_back(std::move(row));
            }
        }
    }
    return rows;
}

}  // namespace zemrath
