// The one error type of the library.
//
// Every failure the library can meet is thrown as a zemrath::error carrying a
// code, on which callers branch, a message for people, and, where the
// failure is about one thing a caller gave, its subject: a parameter's name
// ("adult_survival"), "seeds", a file's path. A front end points at the
// subject (a form's field, an option, an argument of R) without reading the
// message. The library never ends the process and never writes to the
// console: what to tell the user, and how to end, is for the program that
// called it to decide.
#pragma once

#include <array>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

namespace zemrath {

enum class error_code {
    bad_value,       // an argument the call cannot take (a seed outside 0 to 999, ...)
    bad_answer,      // an answer that the prompts' number syntax cannot read
    end_of_input,    // the input ended before an answer
    read_failed,     // a read of the input failed, or a line was too long
    write_failed,    // a file could not be created, written or put in place
    out_of_memory,   // the memory for the age classes or the rows could not be had
    cancelled,       // the caller asked the run to stop
};

inline constexpr std::array<error_code, 7> every_error_code = {
    error_code::bad_value,    error_code::bad_answer,    error_code::end_of_input, error_code::read_failed,
    error_code::write_failed, error_code::out_of_memory, error_code::cancelled};

// The code's name, as front ends name the kind of a failure ("bad_value",
// "out_of_memory"): R's condition classes, Python's exception classes.
std::string_view error_code_name(error_code code);

class error : public std::runtime_error {
public:
    error(error_code code, const std::string& message, std::string subject = {})
        : std::runtime_error(message), code_(code), subject_(std::move(subject)) {}
    error_code code() const noexcept { return code_; }
    // Empty when the failure is about nothing in particular.
    const std::string& subject() const noexcept { return subject_; }

private:
    error_code code_;
    std::string subject_;
};

}  // namespace zemrath
