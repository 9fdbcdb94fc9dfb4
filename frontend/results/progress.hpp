// Progress of a long run, for a person watching a terminal.
#pragma once

#include <cstddef>
#include <string>

namespace zemrath::results {

// "7 s", "2 min 05 s", "1 h 02 min": whole seconds, largest units first.
std::string format_duration(double seconds);

// "412 of 1000 streams, 7 s elapsed, about 10 s left"; the time left is
// extrapolated from the streams done so far and left out before the first.
std::string progress_line(std::size_t done, std::size_t total, double elapsed_seconds);

// Rewrites the terminal line on standard error with progress_line.
void show_progress_line(std::size_t done, std::size_t total, double elapsed_seconds);

// Rewrites the terminal line on standard error with this text.
void show_status_line(const std::string& text);

// Erases that line again.
void clear_progress_line();

// Whether standard error is a terminal.
bool progress_wanted();

}  // namespace zemrath::results
