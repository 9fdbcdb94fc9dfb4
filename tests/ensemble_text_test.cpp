// The lines that zemrath-ensemble prints, the explorer shows and R's
// summary() prints, from analyses built by hand.
#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "text/ensemble_text.hpp"

namespace zemrath::text {
namespace {

// Four streams of three generations: the adults of the last generation are
// 0, 0, 30 and 50; two streams died out (at 2 and 3), two wrapped (first at 1).
ensemble_analysis four_streams() {
    ensemble_analysis a;
    a.seeds = {0, 10, 20, 30};
    a.summary.generations.resize(4);
    for (std::int32_t g = 0; g < 4; ++g) a.summary.generations[static_cast<std::size_t>(g)].generation = g;
    column_summary& adults = a.summary.generations.back().adults;
    adults.p5 = 0;
    adults.p50 = 15;
    adults.p95 = 47;
    a.outcomes.median_extinction_generation = 2.5;
    a.extinct_streams = 2;
    a.wrapped_streams = 2;
    a.first_wrapped_generation = 1;
    return a;
}

TEST(EnsembleText, ReportsTheLastGenerationExtinctionAndWraps) {
    EXPECT_EQ(ensemble_summary_text(four_streams()),
              "streams run: 4 (seeds 0,10,20,30), generations: 3\n"
              "adults in generation 3: median 15, 90% of streams between 0 and 47\n"
              "extinct by generation 3: 2 of 4 streams (50.0%), median generation of extinction 2.5\n"
              "wrapped counts: in 2 of 4 streams (50.0%), first in generation 1; "
              "their rows hold the wrapped 32-bit values\n");
}

TEST(EnsembleText, SaysSoWhenNothingDiesOrWraps) {
    ensemble_analysis a = four_streams();
    a.extinct_streams = 0;
    a.outcomes.median_extinction_generation = std::numeric_limits<double>::quiet_NaN();
    a.wrapped_streams = 0;
    a.first_wrapped_generation.reset();
    const std::string text = ensemble_summary_text(a);
    EXPECT_NE(text.find("extinct by generation 3: 0 of 4 streams (0.0%)\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("median generation of extinction"), std::string::npos) << text;
    EXPECT_NE(text.find("wrapped counts: none\n"), std::string::npos) << text;
}

}  // namespace
}  // namespace zemrath::text
