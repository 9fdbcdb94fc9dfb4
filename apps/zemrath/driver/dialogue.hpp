// The banner, the ten prompts and the closing lines, with the statement line
// of each, which error reports quote.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "zemrath/parameters.hpp"

namespace zemrath {

inline constexpr std::string_view dash_line = "---------------------------------------------";

struct console_line {
    std::int32_t statement_line;
    std::string_view text;
};

inline constexpr std::array<console_line, 6> banner_lines = {{
    {5, dash_line},
    {6, "Welcome! This executable is part of the manuscript:"},
    {7, "Ostrevana"},
    {8, "Malqueron"},
    {9, dash_line},
    {10, "Please, enter with the following parameters (see table 3 of the manuscript)"},
}};

inline constexpr std::array<console_line, 4> closing_lines = {{
    {54, dash_line},
    {55, "This simulation ran successfully"},
    {56, "See your results at the generated file \"output.txt\""},
    {57, dash_line},
}};

// The statement lines of each answer's prompt and read, in prompt order
// (the order of answer_fields).
struct answer_statements {
    std::int32_t prompt_line;
    std::int32_t answer_line;
};

inline constexpr std::array<answer_statements, answer_fields.size()> dialogue_statements = {{
    {11, 12}, {13, 14}, {15, 16}, {17, 18}, {19, 20}, {21, 22}, {23, 24}, {25, 26}, {27, 28}, {29, 30},
}};

// Writes each line as one console record, recording its statement line.
void write_console_lines(std::span<const console_line> lines);

// Prompts for and reads the ten answers from standard input.
parameter_set ask_parameters();

}  // namespace zemrath
