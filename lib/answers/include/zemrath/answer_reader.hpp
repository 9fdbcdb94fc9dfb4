// Reading answers in the console program's number syntax.
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
// A failure throws zemrath::error: bad_answer with the reader's message
// ("Bad real number in item 1 of list input"), end_of_input with "End of
// file", read_failed with the system's text or "Reading more data than the
// record size (RECL)".
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "zemrath/error.hpp"
#include "zemrath/input_file.hpp"
#include "zemrath/parameters.hpp"

namespace zemrath {

// The longest line the reader takes, in bytes before its LF.
inline constexpr std::size_t max_line_length = 1000000000;

// A line reader over a file descriptor or over text held in memory, with the
// state of the answer under way.
struct input_reader {
    int fd = -1;                 // -1: the input is the text already in chunk
    std::string line;            // the current line, without its LF (and the CR before it)
    std::size_t position = 0;    // read position, 0 to line.size() + 1
    bool end_of_input = false;   // set once a read met the end of input; stays set
    std::array<int, 3> put_back{};  // most recent first; 0 is an empty place
    std::string number_text;     // the characters of the number being read
    std::size_t line_limit = max_line_length;
    // Bytes taken from the input but not yet into a line: chunk[chunk_begin,
    // chunk_end). A descriptor is read in large pieces, so a line may stop
    // short of what has been read; the rest waits here for the next line.
    std::vector<char> chunk;
    std::size_t chunk_begin = 0;
    std::size_t chunk_end = 0;
};

// A reader of the descriptor, which stays the caller's to close.
input_reader reader_over_descriptor(int fd);

// A reader of the text, as if it were the whole of standard input.
input_reader reader_over_text(std::string_view text);

// The character value that marks the end of input (distinct from every byte).
inline constexpr int end_of_input_mark = -1;

enum class answer_kind { value, null_answer };

// Read one answer from a fresh line of `in`. A value is stored into field; a
// null answer leaves field as it was; a failure leaves it as it was and
// throws. Nothing of the answer stays in `in` afterwards except the lines
// consumed, so the next call starts on the next line whatever the outcome.
answer_kind scan_real_answer(input_reader& in, double& field);
answer_kind scan_integer_answer(input_reader& in, std::int32_t& field);

// The same for one of the ten answers, into its field of `into`.
answer_kind scan_answer_field(input_reader& in, const answer_field& field, parameter_set& into);

// Makes the next line of input the current line, with its LF and one CR
// right before that dropped; a last line without LF is taken as it is and
// sets end_of_input. Throws end_of_input once end_of_input is set.
void next_input_line(input_reader& in);

// The next character of the answer: the top of the put-back stack if there is
// one, else the next byte (0 to 255) of the current line, then LF (or
// end_of_input_mark when the line met the end of input) once past its last
// byte, then the first byte of the next line, which is read as
// next_input_line reads it.
int next_answer_char(input_reader& in);

// Pushes c onto the put-back stack; the oldest of its three places is lost.
// A 0 byte counts as an empty place, so putting back 0 loses it.
void put_back_char(input_reader& in, int c);

// A parameter set being put together, with the answers given so far. A field
// that is not given holds 0, as in the dialogue before its prompt.
struct partial_answers {
    parameter_set values{};
    std::array<bool, answer_fields.size()> given{};
    // Each given answer's text as it was given: its line of the file, or the
    // text read by read_answer_text. Fed back to the reader, it gives the
    // same value.
    std::array<std::string, answer_fields.size()> texts{};

    bool complete() const;
};

// An answers file: ten answers with whatever follows each on its line, and
// blank lines between them. A mebibyte is far more than any such file a
// person writes, and little enough to read whole.
inline constexpr input_kind answers_file_kind{"answers file", std::size_t{1} << 20};

// Reads answers in prompt order from a file that a user would feed to the
// console program, exactly as that program reads them (a null answer counts
// as given and leaves 0). The end of the file before the tenth answer is no
// failure: the answers after it stay not given. Anything after the tenth
// answer is ignored. Throws read_failed when the file cannot be read (its
// subject the path), bad_value when it is no plain file or is larger than
// answers_file_kind allows (read_input_file), and bad_answer naming the
// file, the answer and its field for an unreadable one (its subject the
// field's name).
partial_answers read_answers_file(const std::string& path);

// The same for the text of such a file; messages name it by `name`.
partial_answers read_answers_text(std::string_view text, std::string_view name);

// Reads answer `index` from text as if it had been typed at its prompt and
// marks it given. A null answer is refused (bad_answer, "no number given"):
// a value given any other way than at the prompt must be a number. On
// failure, whose subject is the field's name, the field is left as it was.
void read_answer_text(std::string_view text, std::size_t index, partial_answers& into);

}  // namespace zemrath
