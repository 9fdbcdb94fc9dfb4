#include "random/s3_tails.hpp"

#include <mutex>
#include <unordered_map>

namespace zemrath {

struct stored_tail {
    std::vector<std::uint32_t> values;
    tail_place next;    // where the value after the last one lies on a stored tail, if it does
    cycle_place entry;  // where it lies on a cycle otherwise
};

namespace {

// Tails are stored, and their landmarks looked up, under the lock; a stored
// tail is complete before its landmarks can be found, and never changes, so
// its values are read without the lock. Neither the store nor its tails are
// ever freed: a worker thread may still read them while the process ends.
struct tail_store {
    std::mutex lock;
    std::vector<const stored_tail*> tails;
    std::unordered_map<std::uint32_t, tail_place> landmarks;
    std::size_t values = 0;
};

tail_store& shared_tails() {
    static tail_store* const store = new tail_store;
    return *store;
}

}  // namespace

tail_place find_landmark_on_stored_tail(std::uint32_t landmark) {
    tail_store& store = shared_tails();
    const std::lock_guard lock(store.lock);
    const auto found = store.landmarks.find(landmark);
    return found == store.landmarks.end() ? tail_place{} : found->second;
}

cycle_place copy_stored_tail(const tail_place& place, std::vector<std::uint32_t>& values) {
    for (tail_place at = place;;) {
        const stored_tail& tail = *at.tail;
        values.insert(values.end(), tail.values.begin() + at.position, tail.values.end());
        if (tail.next.tail == nullptr) return tail.entry;
        at = tail.next;
    }
}

void store_tail(std::span<const std::uint32_t> values, const tail_place& next, const cycle_place& entry) {
    if (values.empty()) return;
    tail_store& store = shared_tails();
    const std::lock_guard lock(store.lock);
    if (store.values + values.size() > stored_tail_limit) return;
    const auto* tail = new stored_tail{{values.begin(), values.end()}, next, entry};
    store.tails.push_back(tail);
    store.values += values.size();
    for (std::uint32_t position = 0; position < values.size(); ++position)
        if (is_landmark(values[position])) store.landmarks.try_emplace(values[position], tail_place{tail, position});
}

}  // namespace zemrath
