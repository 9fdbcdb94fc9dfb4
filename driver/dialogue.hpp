// The banner, the ten prompts and the closing lines, with the statement line
// of each, which error reports quote.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "driver/parameter_set.hpp"

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

// One answer of the dialogue: exactly one of the two field pointers is set.
struct question {
    std::int32_t prompt_line;
    std::string_view prompt;
    std::int32_t answer_line;
    std::string_view field_name;
    double parameter_set::*real_field;
    std::int32_t parameter_set::*integer_field;
};

inline constexpr std::array<question, 10> dialogue_questions = {{
    {11, "Embryo-larval survival probability", 12, "embryo_larval_survival",
     &parameter_set::embryo_larval_survival, nullptr},
    {13, "Maximum juvenile survival rate in absence of competition (Eq. (1))", 14,
     "max_juvenile_survival", &parameter_set::max_juvenile_survival, nullptr},
    {15, "Adult survival probability", 16, "adult_survival", &parameter_set::adult_survival,
     nullptr},
    {17, "Carrying capacity (Eq. (1))", 18, "carrying_capacity", &parameter_set::carrying_capacity,
     nullptr},
    {19, "Rate of adult weight increase (Eq. (3))", 20, "weight_increase_rate",
     &parameter_set::weight_increase_rate, nullptr},
    {21, "Constant of adult growth inhibition (Eq. (3))", 22, "growth_inhibition",
     &parameter_set::growth_inhibition, nullptr},
    {23, "Weight at one year old (Eq. (3))", 24, "weight_at_one_year",
     &parameter_set::weight_at_one_year, nullptr},
    {25, " Maximal reproduction age (integer number):", 26, "max_reproduction_age", nullptr,
     &parameter_set::max_reproduction_age},
    {27, " Fecundity rate (Eq.4):", 28, "fecundity_rate", &parameter_set::fecundity_rate, nullptr},
    {29, "Time of this simulation (in generation units):", 30, "generations", nullptr,
     &parameter_set::generations},
}};

// Writes each line as one console record, recording its statement line.
void write_console_lines(std::span<const console_line> lines);

// Prompts for and reads the ten answers from standard input.
parameter_set ask_parameters();

}  // namespace zemrath
