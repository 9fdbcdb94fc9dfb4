// Selecting streams by seed: lists of seeds and ranges, and back to text.
#include <gtest/gtest.h>

#include "zemrath/seed_list.hpp"

namespace zemrath::ensemble {
namespace {

std::vector<std::int32_t> range(std::int32_t first, std::int32_t last) {
    std::vector<std::int32_t> seeds;
    for (std::int32_t s = first; s <= last; ++s) seeds.push_back(s);
    return seeds;
}

TEST(SeedList, ReadsSeedsAndRangesAscendingAndOnce) {
    struct case_t {
        const char* text;
        std::vector<std::int32_t> seeds;
    };
    std::vector<std::int32_t> first_hundred_and_500 = range(0, 99);
    first_hundred_and_500.push_back(500);
    const case_t cases[] = {
        {"7", {7}},
        {"0-99,500", first_hundred_and_500},
        {"500,0-99", first_hundred_and_500},
        {"3,1,2,3,2-3", {1, 2, 3}},
        {"998-999", {998, 999}},
        {"5-5", {5}},
        {"0-999", all_seeds()},
        {"007", {7}},
    };
    for (const case_t& c : cases) {
        std::string error;
        const auto seeds = parse_seed_list(c.text, error);
        ASSERT_TRUE(seeds.has_value()) << c.text << ": " << error;
        EXPECT_EQ(*seeds, c.seeds) << c.text;
    }
}

TEST(SeedList, RefusesWhatIsNoSeedNamingTheItem) {
    struct case_t {
        const char* text;
        const char* named;
    };
    const case_t cases[] = {
        {"", "''"},          {"1000", "'1000'"},   {"-1", "'-1'"},       {"5-2", "'5-2'"},
        {"1,,2", "''"},      {"1,", "''"},         {"a", "'a'"},         {"1-", "'1-'"},
        {"1-2-3", "'1-2-3'"}, {" 1", "' 1'"},      {"0-1000", "'0-1000'"}, {"+3", "'+3'"},
    };
    for (const case_t& c : cases) {
        std::string error;
        EXPECT_FALSE(parse_seed_list(c.text, error).has_value()) << c.text;
        EXPECT_NE(error.find(c.named), std::string::npos) << c.text << ": " << error;
    }
}

TEST(SeedList, AllSeedsAreTheThousandMilliseconds) { EXPECT_EQ(all_seeds(), range(0, 999)); }

TEST(SeedList, FormatsRunsAsRangesAndReadsBack) {
    struct case_t {
        std::vector<std::int32_t> seeds;
        const char* text;
    };
    const case_t cases[] = {
        {{7}, "7"},
        {{1, 2}, "1-2"},
        {{0, 1, 2, 5, 7, 8, 999}, "0-2,5,7-8,999"},
        {all_seeds(), "0-999"},
    };
    for (const case_t& c : cases) {
        EXPECT_EQ(format_seed_list(c.seeds), c.text);
        std::string error;
        EXPECT_EQ(parse_seed_list(c.text, error), c.seeds) << c.text;
    }
}

}  // namespace
}  // namespace zemrath::ensemble
