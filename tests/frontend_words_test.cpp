// The words the front ends share about parameters and outcomes: the axis
// titles of every parameter, as the prompts word them and with their units,
// the outcomes' titles, and where each parameter has a meaning.
#include <gtest/gtest.h>

#include <limits>

#include "text/figure_words.hpp"
#include "text/parameter_warnings.hpp"
#include "zemrath/outcomes.hpp"

namespace zemrath::text {
namespace {

TEST(FigureWords, ParametersAreNamedAsThePromptsNameThemWithTheirUnits) {
    const char* const titles[] = {
        "Embryo-larval survival probability",
        "Maximum juvenile survival rate in absence of competition",
        "Adult survival probability (per year)",
        "Carrying capacity (individuals)",
        "Rate of adult weight increase (per year)",
        "Constant of adult growth inhibition (per weight unit)",
        "Weight at one year old (weight unit)",
        "Maximal reproduction age (years)",
        "Fecundity rate",
        "Time of this simulation (years)",
    };
    ASSERT_EQ(std::size(titles), answer_fields.size());
    for (std::size_t i = 0; i < answer_fields.size(); ++i) EXPECT_EQ(parameter_title(i), titles[i]) << i;
}

TEST(FigureWords, EveryOutcomeHasATitleAndSharesAreKnownAsSuch) {
    for (const outcome_column& column : outcome_columns) {
        SCOPED_TRACE(column.name);
        EXPECT_NE(outcome_title(column.name), column.name);
        EXPECT_NE(outcome_axis_title(column.name), column.name);
        EXPECT_EQ(outcome_is_share(column.name), std::string_view(column.name).ends_with("_fraction"));
    }
    EXPECT_EQ(outcome_title("extinct_fraction"), "Share of streams extinct");
    // An outcome these words do not know is named as it is.
    EXPECT_EQ(outcome_title("quasi_extinct_fraction"), "quasi_extinct_fraction");
    EXPECT_FALSE(outcome_is_share("quasi_extinct_fraction"));
    EXPECT_EQ(generation_words(50, 50), "generation 50");
    EXPECT_EQ(generation_words(10, 50), "the last generation of each point");
}

TEST(ParameterWarnings, RangesInWordsAndTheValuesOutsideThem) {
    EXPECT_EQ(meaning_words(answer_index("adult_survival")), "a probability, 0 to 1");
    EXPECT_EQ(meaning_words(answer_index("carrying_capacity")), "individuals, above 0");
    EXPECT_EQ(meaning_words(answer_index("generations")), "years, 0 or more");
    EXPECT_EQ(meaning_words(answer_index("max_reproduction_age")), "years, 1 or more");
    EXPECT_EQ(meaning_words(answer_index("fecundity_rate")), "0 or more");
    EXPECT_EQ(range_words({2, 5, false, true}), "above 2 and at most 5");
    EXPECT_EQ(range_words({-std::numeric_limits<double>::infinity(), 3, true, false}), "below 3");

    parameter_set answers;  // every answer 0: four are outside
    EXPECT_EQ(answers_outside_meaning(answers), (std::vector<std::size_t>{3, 4, 6, 7}));
    answers.carrying_capacity = 400;
    answers.weight_increase_rate = 2;
    answers.weight_at_one_year = 0.1;
    answers.max_reproduction_age = 4;
    EXPECT_TRUE(answers_outside_meaning(answers).empty());
    answers.adult_survival = std::numeric_limits<double>::quiet_NaN();
    answers.generations = -5;
    EXPECT_EQ(answers_outside_meaning(answers), (std::vector<std::size_t>{2, 9}));
    EXPECT_EQ(warned_value(answers, 2), "nan");
    EXPECT_EQ(warned_value(answers, 9), "-5");
    EXPECT_EQ(outside_meaning_text("--generations -5", 9),
              "--generations -5 lies outside its meaning (years, 0 or more); it is used as given");
}

}  // namespace
}  // namespace zemrath::text
