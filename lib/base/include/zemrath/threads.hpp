// How many threads the library's calls may use: a call's `threads` option
// is 0 for every hardware thread, or a number from 1 to max_threads.
#pragma once

namespace zemrath {

// Most threads a call may ask for.
inline constexpr int max_threads = 1024;

// The number of hardware threads, at least 1, asked for once.
int hardware_threads();

// 0 (or less) for every hardware thread, otherwise threads, at most max_threads.
int resolve_threads(int threads);

}  // namespace zemrath
