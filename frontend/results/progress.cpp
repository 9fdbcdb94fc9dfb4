#include "results/progress.hpp"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace zemrath::results {

std::string format_duration(double seconds) {
    const long total = std::lround(std::max(seconds, 0.0));
    const long hours = total / 3600;
    const long minutes = total / 60 % 60;
    const long secs = total % 60;
    char text[48];
    if (hours > 0)
        std::snprintf(text, sizeof text, "%ld h %02ld min", hours, minutes);
    else if (minutes > 0)
        std::snprintf(text, sizeof text, "%ld min %02ld s", minutes, secs);
    else
        std::snprintf(text, sizeof text, "%ld s", secs);
    return text;
}

std::string progress_line(std::size_t done, std::size_t total, double elapsed_seconds) {
    std::string line = std::to_string(done) + " of " + std::to_string(total) + " streams, " +
                       format_duration(elapsed_seconds) + " elapsed";
    if (done > 0 && done < total) {
        const double left = elapsed_seconds * static_cast<double>(total - done) / static_cast<double>(done);
        line += ", about " + format_duration(left) + " left";
    }
    return line;
}

// Carriage return and erase-to-end-of-line keep it to one terminal line.
void show_progress_line(std::size_t done, std::size_t total, double elapsed_seconds) {
    show_status_line(progress_line(done, total, elapsed_seconds));
}

void show_status_line(const std::string& text) {
    const std::string line = "\r" + text + "\x1b[K";
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
}

void clear_progress_line() {
    std::fputs("\r\x1b[K", stderr);
    std::fflush(stderr);
}

bool progress_wanted() { return ::isatty(STDERR_FILENO) == 1; }

}  // namespace zemrath::results
