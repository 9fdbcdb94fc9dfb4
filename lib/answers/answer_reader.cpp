#include "zemrath/answer_reader.hpp"

#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <limits>
#include <string_view>

namespace zemrath {

namespace {

// Every call reads one item, so the messages always quote item 1.
constexpr std::string_view bad_integer = "Bad integer for item 1 in list input";
constexpr std::string_view integer_overflow = "Integer overflow while reading item 1";
constexpr std::string_view bad_real = "Bad real number in item 1 of list input";
constexpr std::string_view bad_infinity = "Bad infinity in item 1 of list input";
constexpr std::string_view bad_not_a_number = "Bad not-a-number in item 1 of list input";
constexpr std::string_view repeat_count_overflow = "Repeat count overflow in item 1 of list input";
constexpr std::string_view zero_repeat_count = "Zero repeat count in item 1 of list input";
constexpr std::string_view end_of_file = "End of file";
constexpr std::string_view line_too_long = "Reading more data than the record size (RECL)";

constexpr std::size_t chunk_size = 65536;

// The payload of a not-a-number typed without one.
constexpr std::uint32_t default_payload = 959595;

// Typed exponents are not read beyond this magnitude.
constexpr std::int64_t exponent_clamp = 1000000;

// Every exact midpoint between two neighbouring doubles has at most 767
// significant decimal digits, so digits beyond the 800th can only tell
// whether the value lies above the kept ones: a single nonzero digit in their
// place rounds the same way, and the converted text stays short whatever was
// typed.
constexpr std::size_t kept_digits = 800;

[[noreturn]] void fail(std::string_view message, error_code code = error_code::bad_answer) {
    throw error(code, std::string(message));
}

bool is_digit(int c) { return c >= '0' && c <= '9'; }

bool is_sign(int c) { return c == '+' || c == '-'; }

bool is_exponent_letter(int c) { return c == 'E' || c == 'e' || c == 'D' || c == 'd'; }

// Letters of inf, infinity and nan match in either case.
bool same_letter(int c, char lower) { return c == lower || c == lower - 'a' + 'A'; }

// The characters that end a number. The semicolon is not one of them.
bool is_terminator(int c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == ',' || c == '/' ||
           c == end_of_input_mark;
}

int hex_digit_value(int c) {
    if (is_digit(c)) return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Takes the digits that follow in the current line straight into the number
// text, as next_answer_char would hand them out one by one: a long number
// costs one pass over its line.
void take_digit_run(input_reader& in, std::string& text) {
    if (in.put_back[0] != 0) return;
    std::size_t end = in.position;
    while (end < in.line.size() && is_digit(in.line[end])) ++end;
    text.append(in.line, in.position, end - in.position);
    in.position = end;
}

// Turns the digits typed before an asterisk into a repeat count and empties
// the number text. One call reads one item, so only the count's validity
// matters.
void take_repeat_count(std::string& text) {
    std::int64_t count = 0;
    for (const char digit : text) {
        const int d = digit - '0';
        if (count > 20000000 || 200000000 - d < 10 * count) fail(repeat_count_overflow);
        count = 10 * count + d;
    }
    text.clear();
    if (count == 0) fail(zero_repeat_count);
}

// The digits of text as a 32-bit magnitude, negated when asked; the check
// before each digit keeps -2147483648 out as an overflow.
answer_kind convert_integer(const std::string& text, bool negative, std::int32_t& value) {
    std::int64_t magnitude = 0;
    for (const char digit : text) {
        const int d = digit - '0';
        if (magnitude > 214748364 || 2147483647 - d < 10 * magnitude) fail(integer_overflow);
        magnitude = 10 * magnitude + d;
    }
    value = static_cast<std::int32_t>(negative ? -magnitude : magnitude);
    return answer_kind::value;
}

// The typed exponent digits, read no further once past 999999.
std::int64_t clamped_exponent(std::string_view digits) {
    std::int64_t exponent = 0;
    for (const char digit : digits) {
        exponent = 10 * exponent + (digit - '0');
        if (exponent >= exponent_clamp) return exponent_clamp;
    }
    return exponent;
}

// The power of ten of the mantissa digit at index i, the digit just before
// the point (or the last digit, without a point) being 10^0.
std::int64_t digit_power(std::size_t point, std::size_t i) {
    const auto at = static_cast<std::int64_t>(i);
    const auto whole = static_cast<std::int64_t>(point);
    return at < whole ? whole - 1 - at : whole - at;
}

// The double nearest to the number text in normal form ([sign] mantissa
// digits and point [e sign digits]), ties to even; beyond the largest finite
// double an infinity, below the smallest subnormal a zero, of the typed sign.
double convert_real(std::string_view text) {
    const bool negative = !text.empty() && text.front() == '-';
    if (!text.empty() && is_sign(text.front())) text.remove_prefix(1);
    const std::size_t e = text.find('e');
    const std::string_view mantissa = text.substr(0, e);
    std::int64_t exponent = 0;
    if (e != std::string_view::npos) {
        exponent = clamped_exponent(text.substr(e + 2));
        if (text[e + 1] == '-') exponent = -exponent;
    }
    const double zero = negative ? -0.0 : 0.0;
    const std::size_t first = mantissa.find_first_not_of("0.");
    if (first == std::string_view::npos) return zero;
    const std::size_t last = mantissa.find_last_not_of("0.");
    const std::size_t point = std::min(mantissa.find('.'), mantissa.size());

    // The significant digits from the first to the last nonzero one, cut at
    // kept_digits with a nonzero digit standing for the rest.
    const std::int64_t first_power = digit_power(point, first);
    const std::int64_t significant = first_power - digit_power(point, last) + 1;
    std::string digits;
    for (std::size_t i = first; i <= last && digits.size() < kept_digits; ++i)
        if (mantissa[i] != '.') digits.push_back(mantissa[i]);
    if (significant > static_cast<std::int64_t>(kept_digits)) digits.push_back('1');
    const std::int64_t leading_power = first_power + exponent;
    const std::int64_t last_power = leading_power - static_cast<std::int64_t>(digits.size()) + 1;
    digits += 'e' + std::to_string(last_power);

    // The text is well formed by construction; only the range can fail, and
    // then the value is left alone: a number of 1 or more overflowed, one
    // below 1 underflowed.
    double magnitude = 0.0;
    const auto result = std::from_chars(digits.data(), digits.data() + digits.size(), magnitude);
    if (result.ec == std::errc::result_out_of_range)
        magnitude = leading_power >= 0 ? std::numeric_limits<double>::infinity() : 0.0;
    return negative ? -magnitude : magnitude;
}

// After I or i (and a sign, if one was typed): nf, optionally followed by
// inity. What comes after is not examined.
answer_kind scan_infinity(input_reader& in, bool negative, double& value) {
    for (const char letter : std::string_view("nf")) {
        const int c = next_answer_char(in);
        if (!same_letter(c, letter)) fail(bad_infinity);
    }
    const int c = next_answer_char(in);
    if (same_letter(c, 'i')) {
        for (const char letter : std::string_view("nity")) {
            const int next = next_answer_char(in);
            if (!same_letter(next, letter)) fail(bad_infinity);
        }
    } else {
        put_back_char(in, c);
    }
    const double infinity = std::numeric_limits<double>::infinity();
    value = negative ? -infinity : infinity;
    return answer_kind::value;
}

// After N or n (and a sign, if one was typed): an, optionally followed by a
// hexadecimal payload in parentheses. The payload P fills the exponent-all-
// ones double: its low 20 bits the top of the significand, P itself the low
// 32 bits; P = 0 is therefore an infinity. What comes after is not examined.
answer_kind scan_not_a_number(input_reader& in, bool negative, double& value) {
    for (const char letter : std::string_view("an")) {
        const int c = next_answer_char(in);
        if (!same_letter(c, letter)) fail(bad_not_a_number);
    }
    std::uint32_t payload = default_payload;
    int c = next_answer_char(in);
    if (c != '(') {
        put_back_char(in, c);
    } else {
        payload = 0;
        for (;;) {
            c = next_answer_char(in);
            if (c == ')') break;
            const int d = hex_digit_value(c);
            if (d < 0) fail(bad_not_a_number);
            payload = (payload << 4) + static_cast<std::uint32_t>(d);
        }
    }
    const std::uint64_t bits = (negative ? std::uint64_t{1} << 63 : 0) | (std::uint64_t{0x7ff} << 52) |
                               (std::uint64_t{payload & 0xfffffu} << 32) | payload;
    value = std::bit_cast<double>(bits);
    return answer_kind::value;
}

// The value of an integer answer, from its first non-blank character to its
// terminator, which is put back. The number text holds the digits only.
answer_kind scan_value(input_reader& in, std::int32_t& value) {
    enum class state { start, sign, digits, signed_digits, after_count } at = state::start;
    std::string& text = in.number_text;
    bool negative = false;
    for (;;) {
        const int c = next_answer_char(in);
        switch (at) {
        case state::start:
            if (is_digit(c)) {
                text.push_back(static_cast<char>(c));
                at = state::digits;
            } else if (is_sign(c)) {
                negative = c == '-';
                at = state::sign;
            } else if (c == ',' || c == '/') {
                put_back_char(in, c);
                return answer_kind::null_answer;
            } else {
                fail(bad_integer);
            }
            break;
        case state::sign:
            if (!is_digit(c)) fail(bad_integer);
            text.push_back(static_cast<char>(c));
            at = state::signed_digits;
            break;
        case state::digits:
        case state::signed_digits:
            if (is_digit(c)) {
                text.push_back(static_cast<char>(c));
                take_digit_run(in, text);
            } else if (c == '*' && at == state::digits) {
                take_repeat_count(text);
                at = state::after_count;
            } else if (is_terminator(c)) {
                put_back_char(in, c);
                return convert_integer(text, negative, value);
            } else {
                fail(bad_integer);
            }
            break;
        case state::after_count:
            if (is_terminator(c)) {
                put_back_char(in, c);
                return answer_kind::null_answer;
            }
            if (is_sign(c)) {
                negative = c == '-';
                at = state::sign;
            } else if (is_digit(c)) {
                text.push_back(static_cast<char>(c));
                at = state::signed_digits;
            } else {
                fail(bad_integer);
            }
            break;
        }
    }
}

// The value of a real answer, from its first non-blank character to its
// terminator, which is put back. The number text collects the typed sign,
// the mantissa digits and point, then e, the exponent's sign and digits.
answer_kind scan_value(input_reader& in, double& value) {
    enum class state {
        start, after_sign, whole_digits, mantissa, exponent_letter, exponent_sign,
        exponent_digits, after_count
    } at = state::start;
    std::string& text = in.number_text;
    bool point_seen = false;
    for (;;) {
        const int c = next_answer_char(in);
        switch (at) {
        case state::start:
            if (is_digit(c)) {
                text.push_back(static_cast<char>(c));
                at = state::whole_digits;
            } else if (is_sign(c)) {
                text.push_back(static_cast<char>(c));
                at = state::after_sign;
            } else if (c == '.') {
                text.push_back('.');
                point_seen = true;
                at = state::mantissa;
            } else if (same_letter(c, 'i')) {
                return scan_infinity(in, false, value);
            } else if (same_letter(c, 'n')) {
                return scan_not_a_number(in, false, value);
            } else if (c == ',' || c == '/') {
                put_back_char(in, c);
                return answer_kind::null_answer;
            } else {
                fail(bad_real);
            }
            break;
        case state::after_sign:
            if (same_letter(c, 'i')) return scan_infinity(in, text.front() == '-', value);
            if (same_letter(c, 'n')) return scan_not_a_number(in, text.front() == '-', value);
            put_back_char(in, c);
            at = state::mantissa;
            break;
        case state::whole_digits:
        case state::mantissa:
            if (is_digit(c)) {
                text.push_back(static_cast<char>(c));
                take_digit_run(in, text);
            } else if (c == '.' && !point_seen) {
                text.push_back('.');
                point_seen = true;
                at = state::mantissa;
            } else if (is_exponent_letter(c)) {
                at = state::exponent_letter;
            } else if (is_sign(c)) {
                text.push_back('e');
                text.push_back(static_cast<char>(c));
                at = state::exponent_sign;
            } else if (c == '*' && at == state::whole_digits) {
                take_repeat_count(text);
                at = state::after_count;
            } else if (is_terminator(c)) {
                put_back_char(in, c);
                value = convert_real(text);
                return answer_kind::value;
            } else {
                fail(bad_real);
            }
            break;
        case state::exponent_letter:
            if (is_sign(c)) {
                text.push_back('e');
                text.push_back(static_cast<char>(c));
                at = state::exponent_sign;
            } else if (is_digit(c)) {
                text += "e+";
                text.push_back(static_cast<char>(c));
                at = state::exponent_digits;
            } else {
                fail(bad_real);
            }
            break;
        case state::exponent_sign:
            if (!is_digit(c)) fail(bad_real);
            text.push_back(static_cast<char>(c));
            at = state::exponent_digits;
            break;
        case state::exponent_digits:
            if (is_digit(c)) {
                text.push_back(static_cast<char>(c));
                take_digit_run(in, text);
            } else if (is_terminator(c)) {
                put_back_char(in, c);
                value = convert_real(text);
                return answer_kind::value;
            } else {
                fail(bad_real);
            }
            break;
        case state::after_count:
            if (is_terminator(c)) {
                put_back_char(in, c);
                return answer_kind::null_answer;
            }
            if (is_sign(c))
                text.push_back(static_cast<char>(c));
            else
                put_back_char(in, c);
            at = state::mantissa;
            break;
        }
    }
}

// One answer: a fresh line, blank lines and leading blanks skipped, one value
// or null answer, the rest of the line thrown away. The field changes only on
// a value.
template <typename Field>
answer_kind scan_answer(input_reader& in, Field& field) {
    next_input_line(in);
    int c = 0;
    do {
        c = next_answer_char(in);
    } while (c == ' ' || c == '\t' || c == '\r' || c == '\n');
    put_back_char(in, c);

    // The rest of the line goes, with the terminator that was put back,
    // whatever the outcome: no answer reads past its own line end, so this
    // never reaches the next line.
    const auto drop_rest_of_line = [&in] {
        in.position = in.line.size() + 1;
        in.number_text.clear();
        in.put_back.fill(0);
    };
    try {
        if (c == end_of_input_mark) fail(end_of_file, error_code::end_of_input);
        Field value{};
        const answer_kind kind = scan_value(in, value);
        if (kind == answer_kind::value) field = value;
        drop_rest_of_line();
        return kind;
    } catch (const error&) {
        drop_rest_of_line();
        throw;
    }
}

// A descriptor reader asks the system for input in pieces of chunk_size; a
// text reader holds all of its input in the chunk from the start.
bool refill_chunk(input_reader& in) {
    if (in.fd < 0) return false;
    if (in.chunk.size() != chunk_size) in.chunk.resize(chunk_size);
    for (;;) {
        const ssize_t n = ::read(in.fd, in.chunk.data(), in.chunk.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) fail(std::strerror(errno), error_code::read_failed);
        in.chunk_begin = 0;
        in.chunk_end = static_cast<std::size_t>(n);
        return n > 0;
    }
}

}  // namespace

input_reader reader_over_descriptor(int fd) {
    input_reader in;
    in.fd = fd;
    return in;
}

input_reader reader_over_text(std::string_view text) {
    input_reader in;
    in.fd = -1;
    in.chunk.assign(text.begin(), text.end());
    in.chunk_end = in.chunk.size();
    return in;
}

void next_input_line(input_reader& in) {
    if (in.end_of_input) fail(end_of_file, error_code::end_of_input);
    in.line.clear();
    in.position = 0;
    for (;;) {
        if (in.chunk_begin == in.chunk_end && !refill_chunk(in)) {
            in.end_of_input = true;
            return;
        }
        const char* begin = in.chunk.data() + in.chunk_begin;
        const std::size_t available = in.chunk_end - in.chunk_begin;
        const auto* line_feed = static_cast<const char*>(std::memchr(begin, '\n', available));
        const std::size_t taken = line_feed != nullptr ? static_cast<std::size_t>(line_feed - begin) : available;
        // A CR before the LF is still part of the line while it grows.
        if (in.line.size() + taken > in.line_limit) fail(line_too_long, error_code::read_failed);
        in.line.append(begin, taken);
        in.chunk_begin += taken;
        if (line_feed != nullptr) {
            ++in.chunk_begin;
            if (!in.line.empty() && in.line.back() == '\r') in.line.pop_back();
            return;
        }
    }
}

int next_answer_char(input_reader& in) {
    if (in.put_back[0] != 0) {
        const int c = in.put_back[0];
        in.put_back = {in.put_back[1], in.put_back[2], 0};
        return c;
    }
    if (in.position > in.line.size()) next_input_line(in);
    if (in.position == in.line.size()) {
        ++in.position;
        return in.end_of_input ? end_of_input_mark : '\n';
    }
    return static_cast<unsigned char>(in.line[in.position++]);
}

void put_back_char(input_reader& in, int c) { in.put_back = {c, in.put_back[0], in.put_back[1]}; }

answer_kind scan_real_answer(input_reader& in, double& field) { return scan_answer(in, field); }

answer_kind scan_integer_answer(input_reader& in, std::int32_t& field) { return scan_answer(in, field); }

answer_kind scan_answer_field(input_reader& in, const answer_field& field, parameter_set& into) {
    if (field.real != nullptr) return scan_real_answer(in, into.*field.real);
    return scan_integer_answer(in, into.*field.integer);
}

}  // namespace zemrath
