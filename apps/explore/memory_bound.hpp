// The memory a computation may need, worked out from its query before it
// starts, so that a request the explorer cannot afford is refused (503)
// instead of taking the machine's memory or failing part-way.
//
// What a computation holds grows with its rows (streams times generations
// plus one), with its generations, and a little with its streams, above a
// small part that every computation needs:
//
//   - a row: the row itself (16 bytes) and its wrap flag (1 byte), and the
//     age classes of a stream under way, which touch at most 12 bytes a
//     generation (two counts and a slot in the list of occupied classes);
//   - a generation: its summary (240 bytes kept, about as much again while
//     the summary is worked out), and the largest answer made from it, the
//     JSON of POST /api/ensemble: about 3.2 KiB a generation while its
//     document is built, of which 0.6 KiB stay as its text (summary.csv and
//     report.svg take less than 1 KiB a generation);
//   - a stream: its state while it runs, its seed, and its generations of
//     extinction and wrapping, under 1 KiB;
//   - every computation: the working memory of its threads, about 130 KiB.
//
// Not counted are the tables of the random streams that the explorer builds
// once, the first time each seed runs, and keeps for every later
// computation: about 8 MiB and 13 KiB a seed. bench/explore_memory_bench
// compares these figures with what computations really allocate.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "explore/ensemble_query.hpp"
#include "explore/refusal.hpp"

namespace zemrath::explore {

inline constexpr std::size_t bytes_per_row = 32;
inline constexpr std::size_t bytes_per_generation = 5 * 1024;
inline constexpr std::size_t bytes_per_stream = 1024;
inline constexpr std::size_t bytes_per_computation = 1 << 20;

// At most what computing the query and answering it needs.
std::size_t memory_needed(const ensemble_query& query);

// Refusal 503 when the query needs more than the limit, saying how much it
// would need and how to ask for less.
std::optional<refusal> check_memory(const ensemble_query& query, std::size_t limit);

// The memory the explorer may have: the machine's physical memory, or less
// where the process's address space or data segment is limited (ulimit -v,
// ulimit -d).
std::size_t available_memory();

// The explorer's limit unless --max-memory says otherwise: an eighth of the
// memory it may have.
std::size_t default_memory_limit();

// The most --max-memory may be: half the memory the explorer may have, since
// the results kept (the last, and earlier ones while they fit within the
// limit with it) stay while the next computation runs, and the
// explorer's threads and tables need their share.
std::size_t highest_memory_limit();

// "512 MiB", "2.9 GiB": a size as a reader takes it in.
std::string memory_text(std::size_t bytes);

}  // namespace zemrath::explore
