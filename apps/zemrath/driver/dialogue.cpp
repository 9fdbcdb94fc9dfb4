#include "driver/dialogue.hpp"

#include "textio/console_input.hpp"
#include "textio/error_report.hpp"
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
    parameter_set answers{};
    for (std::size_t i = 0; i < answer_fields.size(); ++i) {
        const answer_field& field = answer_fields[i];
        write_console_line(dialogue_statements[i].prompt_line, field.prompt);
        if (field.real != nullptr)
            read_real_answer(answers.*field.real, dialogue_statements[i].answer_line);
        else
            read_integer_answer(answers.*field.integer, dialogue_statements[i].answer_line);
    }
    return answers;
}

}  // namespace zemrath
