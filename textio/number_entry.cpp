#include "textio/number_entry.hpp"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "textio/error_report.hpp"

namespace zemrath {

namespace {

// Interim reader: plain decimal numbers only.
std::string next_answer_text(input_reader& in, answer_outcome& outcome) {
    for (;;) {
        outcome = next_input_line(in);
        if (outcome.kind == answer_outcome::failure) return {};
        const auto first = in.line.find_first_not_of(" \t\r");
        if (first != std::string::npos) {
            const auto last = in.line.find_first_of(" \t\r,/", first);
            return in.line.substr(first, last == std::string::npos ? std::string::npos : last - first);
        }
        if (in.end_of_input) {
            outcome = {answer_outcome::failure, "End of file"};
            return {};
        }
    }
}

void end_on_failure(const answer_outcome& outcome) {
    if (outcome.kind == answer_outcome::failure) report_runtime_error(outcome.message);
}

}  // namespace

input_reader& console_in() {
    static input_reader reader{};
    return reader;
}

answer_outcome next_input_line(input_reader& in) {
    if (in.end_of_input) return {answer_outcome::failure, "End of file"};
    in.line.clear();
    in.position = 0;
    char byte = 0;
    for (;;) {
        const ssize_t n = ::read(in.fd, &byte, 1);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return {answer_outcome::failure, std::strerror(errno)};
        if (n == 0) {
            in.end_of_input = true;
            return {};
        }
        if (byte == '\n') break;
        in.line.push_back(byte);
    }
    if (!in.line.empty() && in.line.back() == '\r') in.line.pop_back();
    return {};
}

answer_outcome scan_real_answer(input_reader& in, double& field) {
    answer_outcome outcome;
    const std::string text = next_answer_text(in, outcome);
    if (outcome.kind == answer_outcome::failure) return outcome;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0') return {answer_outcome::failure, "Bad real number in item 1 of list input"};
    field = value;
    return {};
}

answer_outcome scan_integer_answer(input_reader& in, std::int32_t& field) {
    answer_outcome outcome;
    const std::string text = next_answer_text(in, outcome);
    if (outcome.kind == answer_outcome::failure) return outcome;
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0') return {answer_outcome::failure, "Bad integer for item 1 in list input"};
    field = static_cast<std::int32_t>(value);
    return {};
}

void read_real_answer(double& field, std::int32_t statement_line) {
    record_statement(statement_line, console_in_unit);
    end_on_failure(scan_real_answer(console_in(), field));
    clear_statement();
}

void read_integer_answer(std::int32_t& field, std::int32_t statement_line) {
    record_statement(statement_line, console_in_unit);
    end_on_failure(scan_integer_answer(console_in(), field));
    clear_statement();
}

}  // namespace zemrath
