#include "explore/computation.hpp"

#include <chrono>
#include <new>
#include <stdexcept>

#include "explore/memory_bound.hpp"
#include "explore/refusal.hpp"

namespace zemrath::explore {

namespace {

constexpr std::chrono::milliseconds check_interval{20};

// Enough for the pages open at once on one machine to keep what they show.
constexpr std::size_t most_earlier_results = 8;

// Marks the state as running for as long as it lives, and lets the next
// request in when it ends, whichever way: with the lock taken again if the
// computation had let go of it.
struct running_mark {
    computation_state& state;
    std::unique_lock<std::mutex>& lock;

    running_mark(computation_state& s, std::unique_lock<std::mutex>& held, std::size_t total) : state(s), lock(held) {
        state.running = true;
        state.done = 0;
        state.total = total;
    }
    running_mark(const running_mark&) = delete;
    running_mark& operator=(const running_mark&) = delete;
    ~running_mark() {
        if (!lock.owns_lock()) lock.lock();
        state.running = false;
        state.changed.notify_all();
    }
};

// Whether the request of this ticket should still run: no newer one came
// and the explorer is not stopping.
bool wanted(const computation_state& state, std::uint64_t ticket) {
    return !state.stopping && state.newest == ticket;
}

// Throws the refusal for a request that must not run (any more).
void check_wanted(const computation_state& state, std::uint64_t ticket) {
    if (state.stopping) throw refusal{503, "the explorer is stopping"};
    if (state.newest != ticket) throw refusal{409, "superseded: a newer computation was asked for"};
}

std::shared_ptr<computed_ensemble> run(computation_state& state, const ensemble_query& query,
                                             std::uint64_t ticket, std::string key) {
    ensemble_options options;
    options.threads = state.threads;
    options.kernel = state.kernel;
    options.report_interval = check_interval;
    options.progress = [&state](std::size_t done, std::size_t) {
        const std::lock_guard lock(state.mutex);
        state.done = done;
    };
    options.cancel_requested = [&state, ticket] {
        const std::lock_guard lock(state.mutex);
        return !wanted(state, ticket);
    };
    const auto start = std::chrono::steady_clock::now();
    auto result = std::make_shared<computed_ensemble>();
    result->key = std::move(key);
    result->memory = memory_needed(query);
    result->answers = query.answers;
    try {
        result->runs = run_ensemble(derive_model_parameters(query.answers.values), query.seeds, options);
        result->analysis = analyse_ensemble(result->runs);
    } catch (const error& failure) {
        if (failure.code() == error_code::cancelled) {
            const std::lock_guard lock(state.mutex);
            check_wanted(state, ticket);
        }
        if (failure.code() == error_code::out_of_memory) throw refusal{503, failure.what()};
        throw;
    } catch (const std::bad_alloc&) {
        throw refusal{503, "not enough memory for the summary of every stream"};
    } catch (const std::length_error&) {
        throw refusal{503, "not enough memory for the summary of every stream"};
    }
    result->seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return result;
}

// A kept result of this key, or none.
std::shared_ptr<const computed_ensemble> kept_with_key(const computation_state& state, const std::string& key) {
    if (state.last && state.last->key == key) return state.last;
    for (const auto& result : state.earlier)
        if (result->key == key) return result;
    return nullptr;
}

// The new result becomes the last; the one before it and those kept with
// it stay as long as they all fit within the memory limit.
void keep(computation_state& state, const std::shared_ptr<computed_ensemble>& result) {
    result->id = ++state.results;
    if (state.last) state.earlier.insert(state.earlier.begin(), state.last);
    state.last = result;
    // A result is only ever computed within the limit, so held never
    // exceeds it.
    std::size_t held = std::min(result->memory, state.max_memory);
    std::size_t fitting = 0;
    while (fitting < std::min(state.earlier.size(), most_earlier_results) &&
           state.earlier[fitting]->memory <= state.max_memory - held) {
        held += state.earlier[fitting]->memory;
        ++fitting;
    }
    state.earlier.resize(fitting);
}

}  // namespace

std::shared_ptr<const computed_ensemble> compute(computation_state& state, const ensemble_query& query) {
    std::string key = query_key(query);
    std::unique_lock lock(state.mutex);
    if (auto kept = kept_with_key(state, key)) return kept;
    const std::uint64_t ticket = ++state.newest;
    state.newest_client = query.client;
    state.changed.notify_all();
    if (std::optional<refusal> refused = check_memory(query, state.max_memory)) throw *refused;
    state.changed.wait(lock, [&] { return !state.running || !wanted(state, ticket); });
    check_wanted(state, ticket);
    if (auto kept = kept_with_key(state, key)) return kept;  // the one that just ended was this query
    const running_mark mark(state, lock, query.seeds.size());
    lock.unlock();
    std::shared_ptr<computed_ensemble> result = run(state, query, ticket, std::move(key));
    lock.lock();
    keep(state, result);
    return result;
}

std::shared_ptr<const computed_ensemble> kept_result(computation_state& state, std::uint64_t id) {
    const std::lock_guard lock(state.mutex);
    if (state.last && state.last->id == id) return state.last;
    for (const auto& result : state.earlier)
        if (result->id == id) return result;
    return nullptr;
}

bool cancel_client(computation_state& state, std::string_view client) {
    const std::lock_guard lock(state.mutex);
    if (client.empty() || state.newest_client != client || !state.running) return false;
    ++state.newest;
    state.newest_client.clear();
    state.changed.notify_all();
    return true;
}

computation_progress current_progress(computation_state& state) {
    const std::lock_guard lock(state.mutex);
    return {state.running, state.done, state.total};
}

void supersede_computations(computation_state& state) {
    const std::lock_guard lock(state.mutex);
    ++state.newest;
    state.newest_client.clear();
    state.changed.notify_all();
}

void stop_computations(computation_state& state) {
    const std::lock_guard lock(state.mutex);
    state.stopping = true;
    state.changed.notify_all();
}

}  // namespace zemrath::explore
