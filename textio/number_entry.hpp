// Number entry: how a typed answer is read.
//
// Each answer starts on a fresh line of input, skips blank lines and leading
// blanks, tabs and CRs, reads one value in the free-form syntax and throws the
// rest of the line away. The syntax:
//   integers   [+|-]digits, -2147483647 to 2147483647;
//   reals      [+|-][digits][.digits][(E|e|D|d)[+|-]digits], where a sign
//              right after the mantissa starts an exponent without a letter
//              ("1.5-3"), and a mantissa without digits ("+", ".", "-e5") is
//              a zero of the typed sign; inf, infinity, nan and nan(hex), in
//              either case, with an optional sign;
//   repeat     r*value or r* with r from 1 to 200000000 (one item is read,
//              so the count never changes the result);
//   null       "," or "/" (or r* alone): the field keeps what it held.
// A number ends at a blank, tab, CR, the line end, a comma or a slash.
//
// The scan_* functions do the reading and return the outcome, so that tools
// other than the console program (an answers file, a fuzzer) can recover from
// a failure; read_*_answer read from standard input and end the run with the
// failure's report.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zemrath {

// The longest line the reader takes, in bytes before its LF.
inline constexpr std::size_t max_line_length = 1000000000;

// A line reader over a file descriptor (standard input for console_in), with
// the state of the answer under way.
struct input_reader {
    int fd = 0;
    std::string line;            // the current line, without its LF (and the CR before it)
    std::size_t position = 0;    // read position, 0 to line.size() + 1
    bool end_of_input = false;   // set once a read met the end of input; stays set
    std::array<int, 3> put_back{};  // most recent first; 0 is an empty place
    std::string number_text;     // the characters of the number being read
    std::size_t line_limit = max_line_length;
    // Bytes read from fd but not yet taken into a line: chunk[chunk_begin,
    // chunk_end). Input is read in large pieces, so a line may stop short of
    // what has been read; the rest waits here for the next line.
    std::vector<char> chunk;
    std::size_t chunk_begin = 0;
    std::size_t chunk_end = 0;
};

// The character value that marks the end of input (distinct from every byte).
inline constexpr int end_of_input_mark = -1;

// The outcome of one answer. On failure, message is the text of the failure
// ("Bad real number in item 1 of list input", "End of file", a system text).
struct answer_outcome {
    enum kind_t { value, null_answer, failure } kind = value;
    std::string message;
};

// The standard-input reader (unit 5).
input_reader& console_in();
inline constexpr std::int32_t console_in_unit = 5;

// Read one answer from a fresh line of `in`. A value is stored into field; a
// null answer leaves field as it was; a failure leaves it as it was and is
// returned. Nothing of the answer stays in `in` afterwards except the lines
// consumed, so the next call starts on the next line whatever the outcome.
answer_outcome scan_real_answer(input_reader& in, double& field);
answer_outcome scan_integer_answer(input_reader& in, std::int32_t& field);

// Makes the next line of input the current line, with its LF and one CR
// right before that dropped; a last line without LF is taken as it is and
// sets end_of_input. Fails with "End of file" once end_of_input is set, with
// the system's text when a read fails, and with "Reading more data than the
// record size (RECL)" for a line over in.line_limit bytes.
answer_outcome next_input_line(input_reader& in);

// The next character of the answer: the top of the put-back stack if there is
// one, else the next byte (0 to 255) of the current line, then LF (or
// end_of_input_mark when the line met the end of input) once past its last
// byte, then the first byte of the next line. When that next line cannot be
// read, returns end_of_input_mark and leaves the failure in `failure`, which
// is untouched otherwise.
int next_answer_char(input_reader& in, answer_outcome& failure);

// Pushes c onto the put-back stack; the oldest of its three places is lost.
// A 0 byte counts as an empty place, so putting back 0 loses it.
void put_back_char(input_reader& in, int c);

// Reads one answer from console_in for the read statement at this line; a
// failure ends the run with its report. A null answer leaves the field as it
// was (the dialogue starts every field at 0).
void read_real_answer(double& field, std::int32_t statement_line);
void read_integer_answer(std::int32_t& field, std::int32_t statement_line);

}  // namespace zemrath
