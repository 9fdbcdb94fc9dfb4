#include "driver/dialogue.hpp"

#include "textio/error_report.hpp"
#include "textio/number_entry.hpp"
#include "textio/out_stream.hpp"
#include "textio/record.hpp"

namespace zemrath {

namespace {

void write_console_line(std::int32_t statement_line, std::string_view text) {
    record_statement(statement_line, console_out().number);
    write_text_record(console_out(), text);
    clear_statement();
}

}  // namespace

void write_console_lines(std::span<const console_line> lines) {
    for (const console_line& line : lines) write_console_line(line.statement_line, line.text);
}

parameter_set ask_parameters() {
    // A null answer leaves a field as it was; every field starts at 0.
    parameter_set parameters{};
    for (const question& q : dialogue_questions) {
        write_console_line(q.prompt_line, q.prompt);
        if (q.real_field != nullptr)
            read_real_answer(parameters.*q.real_field, q.answer_line);
        else
            read_integer_answer(parameters.*q.integer_field, q.answer_line);
    }
    return parameters;
}

}  // namespace zemrath
