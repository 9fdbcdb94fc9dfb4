// Number entry: the answer syntax read through scan_* from a scratch file
// (and the same bytes from memory), the line reader, the put-back stack, and
// a few runs of the built program whose results show that an answer took
// effect.
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "program_runner.hpp"
#include "zemrath/answer_reader.hpp"

namespace zemrath {
namespace {

// A reader over a scratch file that holds the given bytes.
struct scratch_input {
    std::FILE* file = nullptr;
    input_reader reader;

    explicit scratch_input(const std::string& bytes) : file(std::tmpfile()) {
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fflush(file);
        ::lseek(::fileno(file), 0, SEEK_SET);
        reader = reader_over_descriptor(::fileno(file));
    }
    scratch_input(const scratch_input&) = delete;
    scratch_input& operator=(const scratch_input&) = delete;
    ~scratch_input() { std::fclose(file); }
};

// What a read gave: a value, a null answer, or a failure with its message.
struct outcome {
    enum kind_t { value, null_answer, failure } kind = value;
    std::string message;
};

// Runs one read and reports what it gave, checking that a failure carries
// the code its message belongs to.
template <typename Read>
outcome outcome_of(Read read) {
    try {
        if constexpr (std::is_void_v<decltype(read())>) {
            read();
            return {};
        } else {
            return {read() == answer_kind::value ? outcome::value : outcome::null_answer, {}};
        }
    } catch (const error& failure) {
        const std::string message = failure.what();
        const bool read_failure = message == "Reading more data than the record size (RECL)" ||
                                  message == std::strerror(EISDIR);
        const error_code code = message == "End of file" ? error_code::end_of_input
                                : read_failure           ? error_code::read_failed
                                                         : error_code::bad_answer;
        EXPECT_EQ(failure.code(), code) << message;
        return {outcome::failure, message};
    }
}

// What one answer should give: a value (the field's bits afterwards), a null
// answer, or a failure with its message. Null answers and failures must leave
// the field as it was.
struct expected {
    outcome::kind_t kind = outcome::value;
    std::uint64_t bits = 0;
    std::string message;
};

expected real(double value) { return {outcome::value, std::bit_cast<std::uint64_t>(value), {}}; }
expected real_bits(std::uint64_t bits) { return {outcome::value, bits, {}}; }
expected integer(std::int32_t value) {
    return {outcome::value, static_cast<std::uint64_t>(static_cast<std::uint32_t>(value)), {}};
}
expected null_answer() { return {outcome::null_answer, 0, {}}; }
expected failure(std::string message) { return {outcome::failure, 0, std::move(message)}; }

const std::string bad_integer = "Bad integer for item 1 in list input";
const std::string integer_overflow = "Integer overflow while reading item 1";
const std::string bad_real = "Bad real number in item 1 of list input";
const std::string bad_infinity = "Bad infinity in item 1 of list input";
const std::string bad_not_a_number = "Bad not-a-number in item 1 of list input";
const std::string repeat_overflow = "Repeat count overflow in item 1 of list input";
const std::string zero_repeat = "Zero repeat count in item 1 of list input";
const std::string end_of_file = "End of file";

constexpr double infinity = std::numeric_limits<double>::infinity();
constexpr double largest = std::numeric_limits<double>::max();
constexpr std::uint64_t sign_bit = std::uint64_t{1} << 63;

struct answer_case {
    std::string input;
    expected result;
};

// The input as a readable trace: control bytes escaped, long inputs cut.
std::string shown(const std::string& input) {
    std::string text;
    for (const char c : input.substr(0, 60)) {
        if (c == '\n') text += "\\n";
        else if (c == '\r') text += "\\r";
        else if (c == '\t') text += "\\t";
        else if (c == '\0') text += "\\0";
        else text += c;
    }
    if (input.size() > 60) text += "... (" + std::to_string(input.size()) + " bytes)";
    return text;
}

// The decimal digits of start * factor^times, by schoolbook multiplication.
std::string decimal_product(std::string digits, int factor, int times) {
    for (int i = 0; i < times; ++i) {
        int carry = 0;
        for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
            const int product = (*it - '0') * factor + carry;
            *it = static_cast<char>('0' + product % 10);
            carry = product / 10;
        }
        while (carry > 0) {
            digits.insert(digits.begin(), static_cast<char>('0' + carry % 10));
            carry /= 10;
        }
    }
    return digits;
}

std::string with_last_digit_lowered(std::string digits) {
    EXPECT_NE(digits.back(), '0');
    --digits.back();
    return digits;
}

void expect_answer(const answer_case& c, const outcome& got, std::uint64_t field_bits,
                   std::uint64_t sentinel_bits) {
    EXPECT_EQ(got.kind, c.result.kind) << got.message;
    EXPECT_EQ(got.message, c.result.message);
    const std::uint64_t want = c.result.kind == outcome::value ? c.result.bits : sentinel_bits;
    EXPECT_EQ(field_bits, want) << std::hex << "got 0x" << field_bits << ", want 0x" << want;
}

// Every case read from a file and from memory: both readers must agree.
template <typename Field, typename Bits>
void expect_answers(const std::vector<answer_case>& cases, Field sentinel, Bits bits_of) {
    for (const answer_case& c : cases) {
        SCOPED_TRACE("answer \"" + shown(c.input) + "\"");
        scratch_input file(c.input);
        input_reader text = reader_over_text(c.input);
        for (input_reader* in : {&file.reader, &text}) {
            SCOPED_TRACE(in == &text ? "from memory" : "from a file");
            Field field = sentinel;
            const outcome got = outcome_of([&] {
                if constexpr (std::is_same_v<Field, double>)
                    return scan_real_answer(*in, field);
                else
                    return scan_integer_answer(*in, field);
            });
            expect_answer(c, got, bits_of(field), bits_of(sentinel));
        }
    }
}

TEST(RealAnswer, EveryFormOfTheSyntax) {
    // 2^-1075 = 5^1075 / 10^1075, halfway between 0 and the smallest
    // subnormal; (2^54 - 1) * 2^970, halfway between the largest double and
    // 2^1024. Both ties go to the even neighbour: 0, and 2^1024 (an overflow).
    const std::string half_smallest = decimal_product("1", 5, 1075);
    const std::string half_beyond_largest = decimal_product("18014398509481983", 2, 970);
    const std::string zeros(1000, '0');
    const std::string many_zeros(1000004, '0');

    const std::vector<answer_case> cases = {
        // blanks, terminators and the rest of the line
        {"0.5\n", real(0.5)},
        {"  0.5  \n", real(0.5)},
        {"\t0.5\n", real(0.5)},
        {"\n   \n\t\n0.25\n", real(0.25)},
        {"0.5 0.9\n", real(0.5)},
        {"1,5\n", real(1.0)},
        {"3.5,\n", real(3.5)},
        {"3.5/\n", real(3.5)},
        {"3.5\r\n", real(3.5)},
        {"\r3.5\r7\n", real(3.5)},
        {"7", real(7.0)},
        {"3.5;\n", failure(bad_real)},
        {"x\n", failure(bad_real)},
        {"e5\n", failure(bad_real)},
        // a 0 byte put back counts as an empty place, so it is lost
        {std::string("\0", 1) + "7\n", real(7.0)},
        // mantissas and exponents
        {"3\n", real(3.0)},
        {".5\n", real(0.5)},
        {"5.\n", real(5.0)},
        {"+.5\n", real(0.5)},
        {"-.5e1\n", real(-5.0)},
        {"1.5D2\n", real(150.0)},
        {"1.5d2\n", real(150.0)},
        {"1.5E2\n", real(150.0)},
        {"1.5e+2\n", real(150.0)},
        {"1.5+2\n", real(150.0)},
        {"15-1\n", real(1.5)},
        {"1.5e-0003\n", real(0.0015)},
        {"1.5e\n", failure(bad_real)},
        {"1.5e+\n", failure(bad_real)},
        {"1.5e2.0\n", failure(bad_real)},
        {"1.5.2\n", failure(bad_real)},
        {"1.5*2\n", failure(bad_real)},
        // mantissas without a digit are zeros of the typed sign
        {"+\n", real(0.0)},
        {".\n", real(0.0)},
        {"+.\n", real(0.0)},
        {"+,\n", real(0.0)},
        {"-\n", real(-0.0)},
        {"-.e5\n", real(-0.0)},
        {"- 5\n", real(-0.0)},
        {"2*e5\n", real(0.0)},
        {"-0.000e99\n", real(-0.0)},
        // correct rounding, overflow and underflow
        {"0.1\n", real(0.1)},
        {"9007199254740993\n", real(9007199254740992.0)},
        {"9007199254740995\n", real(9007199254740996.0)},
        {"9007199254740993." + zeros + "\n", real(9007199254740992.0)},
        {"9007199254740993." + zeros + "1\n", real(9007199254740994.0)},
        {"0.0000000000" + zeros + "9007199254740993e1026\n", real(9007199254740992.0)},
        {"4.9406564584124654e-324\n", real_bits(1)},
        {"2.2250738585072011e-308\n", real_bits(0x000fffffffffffff)},
        {half_smallest + "e-1075\n", real(0.0)},
        {"-" + half_smallest + "1e-1076\n", real_bits(sign_bit | 1)},
        {with_last_digit_lowered(half_smallest) + "e-1075\n", real(0.0)},
        {"1.7976931348623157e308\n", real(largest)},
        {with_last_digit_lowered(half_beyond_largest) + "\n", real(largest)},
        {half_beyond_largest + "\n", real(infinity)},
        {"1e400\n", real(infinity)},
        {"-1e400\n", real(-infinity)},
        {"1e-400\n", real(0.0)},
        {"-1e-400\n", real(-0.0)},
        {"0e6000\n", real(0.0)},
        {"1e99999999999999999999999\n", real(infinity)},
        {"-1e-99999999999999999999999\n", real(-0.0)},
        // typed exponents stop at 1000000, before the point's place counts
        {"1" + many_zeros + "0e-1000005\n", real(1e5)},
        {"0." + many_zeros + "1e1000005\n", real(1e-5)},
        // infinities
        {"inf\n", real(infinity)},
        {"INF\n", real(infinity)},
        {"Infinity\n", real(infinity)},
        {"-inf\n", real(-infinity)},
        {"+Inf\n", real(infinity)},
        {"-iNfInItY,\n", real(-infinity)},
        {"infx\n", real(infinity)},
        {"infinityx\n", real(infinity)},
        {"inx\n", failure(bad_infinity)},
        {"in\n", failure(bad_infinity)},
        {"infinit\n", failure(bad_infinity)},
        {"infinite\n", failure(bad_infinity)},
        {"i", failure(bad_infinity)},
        // not-a-numbers: payload P gives bits sign | 7ff | P's low 20 bits | P
        {"nan\n", real_bits(0x7ffea46b000ea46b)},
        {"-NaN\n", real_bits(0xfffea46b000ea46b)},
        {"nanx\n", real_bits(0x7ffea46b000ea46b)},
        {"nan(1F)\n", real_bits(0x7ff0001f0000001f)},
        {"+nan(abcdef)x\n", real_bits(0x7ffbcdef00abcdef)},
        {"nan(123456789)\n", real_bits(0x7ff5678923456789)},
        {"nan()\n", real(infinity)},
        {"-nan()\n", real(-infinity)},
        {"nan(g)\n", failure(bad_not_a_number)},
        {"nan(1f\n", failure(bad_not_a_number)},
        {"nax\n", failure(bad_not_a_number)},
        // repeat counts and null answers
        {",\n", null_answer()},
        {"/\n", null_answer()},
        {"  ,5\n", null_answer()},
        {"2*\n", null_answer()},
        {"2* 5\n", null_answer()},
        {"2*,\n", null_answer()},
        {"2*3.5\n", real(3.5)},
        {"2*-4\n", real(-4.0)},
        {"2*.5\n", real(0.5)},
        {"200000000*1\n", real(1.0)},
        {"0*3\n", failure(zero_repeat)},
        {"000*\n", failure(zero_repeat)},
        {"200000001*1\n", failure(repeat_overflow)},
        {"99999999999999999999999*1\n", failure(repeat_overflow)},
        {"2*inf\n", failure(bad_real)},
        {"2*3*4\n", failure(bad_real)},
        {"+2*3\n", failure(bad_real)},
        // no value at all
        {"", failure(end_of_file)},
        {"\n\n  \n", failure(end_of_file)},
        {"   ", failure(end_of_file)},
    };
    expect_answers(cases, 42.0, [](double field) { return std::bit_cast<std::uint64_t>(field); });
}

TEST(IntegerAnswer, EveryFormOfTheSyntax) {
    const std::vector<answer_case> cases = {
        {"7\n", integer(7)},
        {"  +7  8\n", integer(7)},
        {"\t007,9\n", integer(7)},
        {"\n \n-12/\n", integer(-12)},
        {"-0\n", integer(0)},
        {"42\r\n", integer(42)},
        {"42", integer(42)},
        {std::string(100000, '0') + "42\n", integer(42)},
        {"2147483647\n", integer(2147483647)},
        {"-2147483647\n", integer(-2147483647)},
        {"2147483648\n", failure(integer_overflow)},
        {"-2147483648\n", failure(integer_overflow)},
        {"99999999999999999999999\n", failure(integer_overflow)},
        {"12.0\n", failure(bad_integer)},
        {"1e3\n", failure(bad_integer)},
        {"0x10\n", failure(bad_integer)},
        {"5;\n", failure(bad_integer)},
        {"-5;\n", failure(bad_integer)},
        {"+\n", failure(bad_integer)},
        {"- 5\n", failure(bad_integer)},
        {"a\n", failure(bad_integer)},
        {".5\n", failure(bad_integer)},
        {",\n", null_answer()},
        {"/\n", null_answer()},
        {"2*\n", null_answer()},
        {"3* 9\n", null_answer()},
        {"2*5\n", integer(5)},
        {"2*-4\n", integer(-4)},
        {"2*+4\n", integer(4)},
        {"200000000*1\n", integer(1)},
        {"0*3\n", failure(zero_repeat)},
        {"200000001*1\n", failure(repeat_overflow)},
        {"2*-\n", failure(bad_integer)},
        {"2*x\n", failure(bad_integer)},
        {"-2*3\n", failure(bad_integer)},
        {"2*3*4\n", failure(bad_integer)},
        {"", failure(end_of_file)},
        {"\n\t\n", failure(end_of_file)},
    };
    expect_answers(cases, std::int32_t{42424242},
                   [](std::int32_t field) { return std::uint64_t{static_cast<std::uint32_t>(field)}; });
}

TEST(AnswerSequence, EachAnswerStartsOnAFreshLine) {
    scratch_input input("0.5 0.9\n\n 2*,7\n-3\nx 8\n9");
    input_reader& in = input.reader;
    double real_field = 0.0;
    std::int32_t integer_field = 0;
    EXPECT_EQ(scan_real_answer(in, real_field), answer_kind::value);
    EXPECT_EQ(real_field, 0.5);
    EXPECT_EQ(scan_real_answer(in, real_field), answer_kind::null_answer);
    EXPECT_EQ(real_field, 0.5);
    EXPECT_EQ(scan_integer_answer(in, integer_field), answer_kind::value);
    EXPECT_EQ(integer_field, -3);
    // A failed answer leaves the reader ready for the next line.
    EXPECT_EQ(outcome_of([&] { return scan_integer_answer(in, integer_field); }).message, bad_integer);
    EXPECT_EQ(scan_integer_answer(in, integer_field), answer_kind::value);
    EXPECT_EQ(integer_field, 9);
    // The last line had no LF: it counted, and nothing more can be read.
    EXPECT_TRUE(in.end_of_input);
    EXPECT_EQ(outcome_of([&] { return scan_integer_answer(in, integer_field); }).message, end_of_file);
    EXPECT_EQ(outcome_of([&] { next_input_line(in); }).message, end_of_file);
    EXPECT_EQ(integer_field, 9);
}

TEST(InputLine, SplitsAtLineFeedsAndDropsOneCarriageReturn) {
    // The first line ends with its CR as the last byte of the first 65536-byte
    // read and its LF as the first of the next one.
    const std::string long_line(65535, 'a');
    scratch_input input(long_line + "\r\nb\r\r\n\rc\rd\n\n" + "last\r");
    input_reader& in = input.reader;
    for (const std::string& want : {long_line, std::string("b\r"), std::string("\rc\rd"), std::string()}) {
        ASSERT_NO_THROW(next_input_line(in));
        EXPECT_EQ(in.line, want);
        EXPECT_EQ(in.position, 0u);
        EXPECT_FALSE(in.end_of_input);
    }
    ASSERT_NO_THROW(next_input_line(in));
    EXPECT_EQ(in.line, "last\r");
    EXPECT_TRUE(in.end_of_input);
    EXPECT_EQ(outcome_of([&] { next_input_line(in); }).message, end_of_file);
}

TEST(InputLine, LineLimitAndFailedReads) {
    scratch_input input("0123456789\n01234567890\n");
    input.reader.line_limit = 10;
    EXPECT_NO_THROW(next_input_line(input.reader));
    EXPECT_EQ(outcome_of([&] { next_input_line(input.reader); }).message,
              "Reading more data than the record size (RECL)");

    // Reading a directory fails with the system's text for its error code.
    const int fd = ::open(".", O_RDONLY | O_DIRECTORY);
    ASSERT_GE(fd, 0);
    input_reader directory = reader_over_descriptor(fd);
    double field = 1.0;
    const outcome got = outcome_of([&] { return scan_real_answer(directory, field); });
    ::close(fd);
    EXPECT_EQ(got.kind, outcome::failure);
    EXPECT_EQ(got.message, std::strerror(EISDIR));
    EXPECT_EQ(field, 1.0);
}

TEST(AnswerChar, PutBackStackAndLineEnds) {
    scratch_input input("xy\nz");
    input_reader& in = input.reader;
    ASSERT_NO_THROW(next_input_line(in));
    // Three places, most recent on top; the oldest of four is lost, and a 0
    // counts as an empty place.
    for (const int c : {'a', 'b', 'c', 'd'}) put_back_char(in, c);
    std::string taken;
    for (int i = 0; i < 3; ++i) taken += static_cast<char>(next_answer_char(in));
    put_back_char(in, 0);
    for (int i = 0; i < 2; ++i) taken += static_cast<char>(next_answer_char(in));
    EXPECT_EQ(taken, "dcbxy");
    EXPECT_EQ(next_answer_char(in), '\n');
    EXPECT_EQ(next_answer_char(in), 'z');
    EXPECT_EQ(next_answer_char(in), end_of_input_mark);
    put_back_char(in, end_of_input_mark);
    EXPECT_EQ(next_answer_char(in), end_of_input_mark);
    // Past the end of the last line a fresh line is needed, and there is none.
    EXPECT_EQ(outcome_of([&] { next_answer_char(in); }).message, end_of_file);
}

}  // namespace

namespace testing {
namespace {

const std::string& results_header = expected_header;

struct run_outcome {
    program_result result;
    std::string file;
};

run_outcome run_with_input(const std::string& input) {
    const auto directory = make_scratch_directory();
    run_outcome outcome{run_program(make_run(input, "0", directory)), {}};
    outcome.file = read_file(directory / "output.txt");
    return outcome;
}

TEST(AnswersInTheRun, FreeFormAnswersTakeEffect) {
    // The hand-derived cohort of the whole-run tests (embryo survival -1,
    // adult survival 1, three age classes, five generations), each answer
    // spelled another way, with blank lines and trailing text.
    const std::string input =
        "  -1D0 anything\n0.8e0\n1,\n\n\n 1+3\r\n2.\n.5\n1-1\n3*3\n+1.0e0/\n\n\t\n5\r\n\n";
    const run_outcome run = run_with_input(input);
    EXPECT_EQ(run.result.exit_status, 0) << run.result.standard_error;
    EXPECT_EQ(run.file, results_header + cohort_rows);
}

// Answers with no age classes, so that every generation's row is " g 0 0 0".
std::string answers_with_generations(const std::string& generations) {
    return answer_lines({"0.5", "0.8", "0.9", "1000", "2", "0.5", "0.1", "0", "1", generations});
}

TEST(AnswersInTheRun, RepeatCountAndNullAnswerForGenerations) {
    // A null answer keeps the generations at 0, so only row 0 is written.
    const run_outcome repeated = run_with_input(answers_with_generations("2*5"));
    EXPECT_EQ(repeated.result.exit_status, 0) << repeated.result.standard_error;
    EXPECT_EQ(repeated.file, results_header +
                                 " 0 0 0 20\r\n 1 0 0 0\r\n 2 0 0 0\r\n 3 0 0 0\r\n 4 0 0 0\r\n"
                                 " 5 0 0 0\r\n");
    const run_outcome null = run_with_input(answers_with_generations(","));
    EXPECT_EQ(null.result.exit_status, 0) << null.result.standard_error;
    EXPECT_EQ(null.file, results_header + " 0 0 0 20\r\n");
}

TEST(AnswersInTheRun, LastAnswerWithoutLineFeedCountsThenInputEnds) {
    const run_outcome run = run_with_input("0.5\n0.8\n0.9\n1000\n2\n0.5\n0.1\n0\n1\n2");
    EXPECT_EQ(run.file, results_header + " 0 0 0 20\r\n 1 0 0 0\r\n 2 0 0 0\r\n");
    EXPECT_EQ(run.result.exit_status, 2);
    EXPECT_TRUE(run.result.standard_error.ends_with("\nQuendor runtime error: End of file\n"))
        << run.result.standard_error;
}

TEST(AnswersInTheRun, UnreadableAnswerEndsTheRun) {
    const run_outcome run = run_with_input("0.5\n0.5x\n");
    EXPECT_EQ(run.result.exit_status, 2);
    EXPECT_TRUE(run.result.standard_error.ends_with(
        "\nQuendor runtime error: Bad real number in item 1 of list input\n"))
        << run.result.standard_error;
    EXPECT_EQ(run.result.standard_output.find("Quendor"), std::string::npos);
    EXPECT_EQ(run.file, "");
}

}  // namespace
}  // namespace testing
}  // namespace zemrath
