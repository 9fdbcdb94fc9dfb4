// The end-of-run wait: "PAUSE" and the prompt to hit Return on standard
// error, then one line read from standard input. Standard input that ends
// before a line feed ends the run with the end-of-file report.
#pragma once

#include <string_view>

namespace zemrath {

inline constexpr std::string_view pause_word = "PAUSE";
inline constexpr std::string_view pause_prompt = " statement executed.  Hit Return to continue\n";

void end_of_run_wait();

}  // namespace zemrath
