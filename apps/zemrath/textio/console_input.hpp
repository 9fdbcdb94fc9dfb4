// The console program's standard input (unit 5) and its answer statements:
// each reads one answer and turns a failure into the run's error report.
#pragma once

#include <cstdint>

#include "zemrath/answer_reader.hpp"

namespace zemrath {

inline constexpr std::int32_t console_in_unit = 5;

// The reader of standard input, for the whole run.
input_reader& console_in();

// Reads one answer from console_in for the read statement at this line; a
// failure ends the run with its report. A null answer leaves the field as it
// was (the dialogue starts every field at 0).
void read_real_answer(double& field, std::int32_t statement_line);
void read_integer_answer(std::int32_t& field, std::int32_t statement_line);

}  // namespace zemrath
