#include "textio/console_input.hpp"

#include <unistd.h>

#include "textio/error_report.hpp"

namespace zemrath {

namespace {

template <typename Field>
void read_answer(Field& field, std::int32_t statement_line) {
    record_statement(statement_line, console_in_unit);
    try {
        if constexpr (std::is_same_v<Field, double>)
            scan_real_answer(console_in(), field);
        else
            scan_integer_answer(console_in(), field);
    } catch (const error& failure) {
        report_runtime_error(failure.what());
    }
    clear_statement();
}

}  // namespace

input_reader& console_in() {
    static input_reader reader = reader_over_descriptor(STDIN_FILENO);
    return reader;
}

void read_real_answer(double& field, std::int32_t statement_line) { read_answer(field, statement_line); }

void read_integer_answer(std::int32_t& field, std::int32_t statement_line) { read_answer(field, statement_line); }

}  // namespace zemrath
