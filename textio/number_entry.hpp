// Number entry: how a typed answer is read.
//
// Each answer starts on a fresh line of input, skips blank lines and leading
// blanks, reads one value in the free-form syntax and throws the rest of the
// line away. A null answer (",", "/", "3*") leaves the field as it was.
//
// The scan_* functions do the reading and return the outcome, so that tools
// other than the console program (an answers file, a fuzzer) can recover from
// a failure; read_*_answer read from standard input and end the run with the
// failure's report.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace zemrath {

// A line reader over a file descriptor (standard input for console_in).
struct input_reader {
    int fd = 0;
    std::string line;            // the current line, without its LF (and the CR before it)
    std::size_t position = 0;    // read position, 0 to line.size() + 1
    bool end_of_input = false;   // set once a read met the end of input
    std::array<int, 3> put_back{};  // most recent first; 0 is an empty place
    std::string number_text;
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

answer_outcome scan_real_answer(input_reader& in, double& field);
answer_outcome scan_integer_answer(input_reader& in, std::int32_t& field);

// Makes the next line of input the current line. Returns a failure outcome at
// the end of input, on a failed read, or for a line over the length limit.
answer_outcome next_input_line(input_reader& in);

// Reads one answer from console_in for the read statement at this line; a
// failure ends the run with its report.
void read_real_answer(double& field, std::int32_t statement_line);
void read_integer_answer(std::int32_t& field, std::int32_t statement_line);

}  // namespace zemrath
