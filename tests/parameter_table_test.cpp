// The table of the ten parameters that every front end takes its names,
// words, ranges and examples from.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>
#include <string>

#include "zemrath/answer_reader.hpp"
#include "zemrath/parameters.hpp"

namespace zemrath {
namespace {

TEST(ParameterTable, NamesAndKeysFindTheirAnswer) {
    std::set<std::string_view> names, keys;
    for (std::size_t i = 0; i < answer_fields.size(); ++i) {
        const answer_field& field = answer_fields[i];
        std::string dashed(field.name);
        std::replace(dashed.begin(), dashed.end(), '_', '-');
        EXPECT_EQ(field.key, dashed);
        EXPECT_EQ(answer_index(field.name), i);
        EXPECT_EQ(answer_key_index(field.key), i);
        EXPECT_EQ((field.real != nullptr) + (field.integer != nullptr), 1) << field.name;
        EXPECT_FALSE(field.meaning.empty()) << field.name;
        EXPECT_LT(field.slider.low, field.slider.high) << field.name;
        EXPECT_TRUE(!field.slider.logarithmic || field.slider.low > 0) << field.name;
        names.insert(field.name);
        keys.insert(field.key);
    }
    EXPECT_EQ(names.size(), answer_fields.size());
    EXPECT_EQ(keys.size(), answer_fields.size());
    // Each spelling belongs to its own use.
    EXPECT_EQ(answer_index("adult-survival"), answer_fields.size());
    EXPECT_EQ(answer_key_index("adult_survival"), answer_fields.size());
    EXPECT_EQ(answer_key_index(""), answer_fields.size());
}

TEST(ParameterTable, ExamplesReadAsAnswersAndLieWhereTheyMakeSense) {
    partial_answers answers;
    for (std::size_t i = 0; i < answer_fields.size(); ++i) {
        read_answer_text(answer_fields[i].example, i, answers);
        EXPECT_TRUE(is_sensible(answer_fields[i], answer_value(answers.values, i))) << answer_fields[i].name;
    }
    EXPECT_TRUE(answers.complete());
    EXPECT_EQ(answers.values.carrying_capacity, 400);
    EXPECT_EQ(answers.values.generations, 50);
}

TEST(ParameterTable, SensibleValues) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        std::string_view key;
        double value;
        bool sensible;
    } cases[] = {
        {"adult-survival", 0, true},          {"adult-survival", 1, true},
        {"adult-survival", 1.5, false},       {"adult-survival", -0.01, false},
        {"adult-survival", nan, false},       {"carrying-capacity", 0, false},
        {"carrying-capacity", -400, false},   {"carrying-capacity", 1e-300, true},
        {"carrying-capacity", inf, false},    {"generations", -5, false},
        {"generations", 0, true},             {"max-reproduction-age", 0, false},
        {"max-reproduction-age", 1, true},    {"growth-inhibition", 0, true},
        {"weight-at-one-year", 0, false},     {"fecundity-rate", -inf, false},
        {"weight-increase-rate", 1e300, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(is_sensible(answer_fields[answer_key_index(c.key)], c.value), c.sensible) << c.key << " " << c.value;
}

}  // namespace
}  // namespace zemrath
