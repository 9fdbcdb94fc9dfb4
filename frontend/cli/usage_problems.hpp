// The problems found while a tool reads its command line, each placed where
// it is: the environment before every argument, an option's problem at its
// first argument, something missing after them all. The tool reports the
// earliest, so that a user reads about the first mistake on the line, not
// about whichever check happens to run first.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zemrath::cli {

struct usage_problem {
    int position = 0;     // 0: the environment; 1 to argc - 1: an argument; argc: nothing given
    std::string message;  // without the program's name
    std::string subject;  // the option or setting it is about
};

struct command_arguments {
    int argc = 0;
    const char* const* argv = nullptr;
    std::vector<usage_problem> problems;
};

// A problem with an option ("--threads"), placed at its first argument, or
// after every argument when it was not given.
void note_option_problem(command_arguments& line, std::string_view option, std::string message);

// Something required that no argument gives.
void note_missing(command_arguments& line, std::string_view subject, std::string message);

// A problem with a setting of the environment (ZEMRATH_KERNEL).
void note_environment_problem(command_arguments& line, std::string_view variable, std::string message);

// The earliest problem (the first noted of those at one place), or none.
const usage_problem* earliest_problem(const command_arguments& line);

}  // namespace zemrath::cli
