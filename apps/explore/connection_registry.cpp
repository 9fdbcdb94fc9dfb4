#include "explore/connection_registry.hpp"

#include <algorithm>

namespace zemrath::explore {

namespace {

void shut(open_connection& connection) {
    ::shutdown(connection.socket, SHUT_RDWR);
    connection.shut = true;
}

std::size_t still_open(const connection_registry& registry) {
    return static_cast<std::size_t>(std::count_if(registry.open.begin(), registry.open.end(),
                                                  [](const open_connection& c) { return !c.shut; }));
}

// Closes the oldest waiting connections until no more than keep_open are
// open, or none is left waiting. Called with the lock held.
void make_room(connection_registry& registry) {
    auto oldest_waiting = registry.open.begin();
    for (std::size_t open = still_open(registry); open > registry.keep_open; --open) {
        oldest_waiting = std::find_if(oldest_waiting, registry.open.end(),
                                      [](const open_connection& c) { return c.waiting && !c.shut; });
        if (oldest_waiting == registry.open.end()) return;
        shut(*oldest_waiting);
    }
}

}  // namespace

connection_handle add_connection(connection_registry& registry, int socket, std::string peer_address,
                                 int peer_port) {
    const std::lock_guard lock(registry.mutex);
    registry.open.push_back({socket, std::move(peer_address), peer_port});
    make_room(registry);
    return std::prev(registry.open.end());
}

void remove_connection(connection_registry& registry, connection_handle connection) {
    const std::lock_guard lock(registry.mutex);
    registry.open.erase(connection);
}

bool begin_wait(connection_registry& registry, connection_handle connection) {
    const std::lock_guard lock(registry.mutex);
    if (registry.stopping || connection->shut) return false;
    connection->waiting = true;
    make_room(registry);
    return !connection->shut;
}

void end_wait(connection_registry& registry, connection_handle connection) {
    const std::lock_guard lock(registry.mutex);
    connection->waiting = false;
}

void close_after_answer(connection_registry& registry, std::string_view peer_address, int peer_port) {
    const std::lock_guard lock(registry.mutex);
    for (open_connection& connection : registry.open)
        if (connection.peer_address == peer_address && connection.peer_port == peer_port)
            connection.close_after_answer = true;
}

bool closes_after_answer(connection_registry& registry, connection_handle connection) {
    const std::lock_guard lock(registry.mutex);
    return connection->close_after_answer;
}

void stop_connections(connection_registry& registry) {
    const std::lock_guard lock(registry.mutex);
    registry.stopping = true;
    for (open_connection& connection : registry.open)
        if (connection.waiting && !connection.shut) shut(connection);
}

}  // namespace zemrath::explore
