// The explorer's one computation at a time, newest first.
//
// A page sends a new request whenever its parameters change, and the result
// of an older one is no longer of use: so a new request never waits behind
// a running computation. It asks the running one to stop (which it does
// between streams), waits for it to let go, and runs; the older request is
// answered 409. Of several requests waiting at once only the newest runs.
// A refused request of the page stops the running one too, since the page
// sends one whenever its parameters change.
//
// Each result has an id, and the last one is kept, with those before it
// while they fit within the memory limit together, so that the files of
// the result a page shows are served as they were computed, by its id, and
// never those of another. A page that closes takes back its computation
// by the client name it gave.
//
// Before a computation starts, the memory it may need is held against the
// explorer's limit (memory_bound.hpp); one that would need more is not
// started.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "explore/ensemble_query.hpp"
#include "zemrath/ensemble.hpp"
#include "zemrath/ensemble_analysis.hpp"

namespace zemrath::explore {

struct computed_ensemble {
    std::uint64_t id = 0;  // 1 for the first result, then counting
    std::string key;       // query_key of the query
    std::size_t memory = 0;  // memory_needed of the query
    partial_answers answers;
    ensemble_runs runs;
    ensemble_analysis analysis;
    double seconds = 0;  // the time the streams and their analysis took
};

struct computation_state {
    int threads = 0;  // for run_ensemble; 0 for every core
    std::optional<count_kernel> kernel;  // none: the fastest this processor runs
    std::size_t max_memory = SIZE_MAX;   // the most memory_needed a computation may have
    std::mutex mutex;
    std::condition_variable changed;  // a computation ended, or a newer request came
    std::uint64_t newest = 0;  // the ticket of the newest request
    bool running = false;
    bool stopping = false;
    std::size_t done = 0;  // streams done of the running computation
    std::size_t total = 0;
    std::string newest_client;  // the client of the newest request, if it named one
    std::uint64_t results = 0;  // the results made so far
    std::shared_ptr<const computed_ensemble> last;
    // The results before the last, newest first, as many as fit within
    // max_memory with it (eight at most).
    std::vector<std::shared_ptr<const computed_ensemble>> earlier;
};

// The result for the query: a kept one of the same query, else computed
// now. Throws refusal 409 when a newer request took its place, 503
// when the explorer is stopping, when the query needs more than max_memory
// (refused before anything is allocated, and taking the place of a running
// computation as any newer request does), or when the memory cannot be had
// all the same.
std::shared_ptr<const computed_ensemble> compute(computation_state& state, const ensemble_query& query);

struct computation_progress {
    bool running = false;
    std::size_t done = 0;
    std::size_t total = 0;
};
computation_progress current_progress(computation_state& state);

// The kept result of this id, or none.
std::shared_ptr<const computed_ensemble> kept_result(computation_state& state, std::uint64_t id);

// Stops the running computation, and any request waiting to run, for a
// newer request that will not run either.
void supersede_computations(computation_state& state);

// Stops the running computation and any request waiting to run when the
// newest request is the client's (a page that closes); whether it did.
bool cancel_client(computation_state& state, std::string_view client);

// Stops the running computation and refuses every later one.
void stop_computations(computation_state& state);

}  // namespace zemrath::explore
