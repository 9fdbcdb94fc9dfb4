#include "driver/seeding.hpp"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "textio/error_report.hpp"

namespace zemrath {

namespace {

constexpr std::int32_t seed_list_line = 113;

// A whole number from 0 to 999 in decimal digits only; -1 for anything else.
std::int32_t parse_seed_text(std::string_view text) {
    if (text.empty()) return -1;
    std::int32_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return -1;
        value = value * 10 + (c - '0');
        if (value > 999) return -1;
    }
    return value;
}

}  // namespace

seed_setting read_seed_setting() {
    const char* text = std::getenv(std::string(seed_variable).c_str());
    if (text == nullptr || *text == '\0') return {};
    const std::int32_t value = parse_seed_text(text);
    if (value < 0) return {false, false, 0};
    return {true, true, value};
}

void randseed(stream& run, const seed_setting& setting) {
    const std::int32_t millisecond = setting.fixed ? setting.millisecond : clock_millisecond();
    record_statement(seed_list_line);
    std::vector<std::int32_t> words;
    try {
        words.assign(static_cast<std::size_t>(seed_size()), millisecond);
    } catch (const std::bad_alloc&) {
        report_memory_exhaustion(std::strerror(ENOMEM));
    }
    seed_stream(run, words);
}

}  // namespace zemrath
