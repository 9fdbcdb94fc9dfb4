// Detecting counts that wrapped around 32 bits, from the adults by class and
// the eggs per class.
#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "run/count_wrap.hpp"

namespace zemrath::ensemble {
namespace {

constexpr std::int32_t most = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t least = std::numeric_limits<std::int32_t>::min();

std::vector<class_tally> tallies(const std::vector<std::int32_t>& adults, const std::vector<std::int32_t>& eggs) {
    std::vector<class_tally> out;
    for (std::size_t i = 0; i < adults.size(); ++i) out.push_back({adults[i], eggs[i]});
    return out;
}

TEST(CountWrap, FlagsAProductOrAPartialSumOutsideThirtyTwoBits) {
    struct case_t {
        const char* what;
        std::vector<std::int32_t> survivors;
        std::vector<std::int32_t> eggs;
        bool wrapped;
    };
    const case_t cases[] = {
        {"no classes", {}, {}, false},
        {"small counts", {20, 15, 3}, {84, 131, 193}, false},
        {"embryos exactly the largest count", {1, 1}, {most - 5, 5}, false},
        {"embryos one past the largest count", {1, 1}, {most - 5, 6}, true},
        {"one product too large", {65536, 0}, {32768, 0}, true},
        {"product just fits", {65535, 0}, {32768, 0}, false},
        // 3 x 1431655766 is 4294967298: wraps to 2, a harmless-looking row.
        {"product wraps to a small number", {3}, {1431655766}, true},
        // The partial sum leaves the range and the last class brings it back:
        // the 32-bit sum was still wrapped on the way.
        {"partial sum out and back", {1, 1, 1}, {most, 1, -2}, true},
        {"egg count of the failed rounding, once", {1}, {least}, false},
        {"egg count of the failed rounding, twice", {2}, {least}, true},
        {"adults one past the largest count", {most, 1}, {0, 0}, true},
        {"adults exactly the largest count", {most - 1, 1}, {0, 0}, false},
    };
    for (const case_t& c : cases) {
        EXPECT_EQ(counts_wrapped(tallies(c.survivors, c.eggs)), c.wrapped) << c.what;
    }
}

}  // namespace
}  // namespace zemrath::ensemble
