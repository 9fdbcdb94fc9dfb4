// The connections the explorer is serving, so that one waiting on a slow or
// idle client can be closed to make room, and every one of them when the
// explorer stops.
//
// Each connection holds one thread of a fixed pool for as long as it is
// open, also while it waits on its client: for the next request, for the
// rest of one, or for the client to take the answer. So when a connection
// starts, or starts such a wait, while more than keep_open are open (no
// thread is left for the next one to arrive), the oldest connection that is
// waiting on its client is closed. A connection that is working on an answer
// is never closed; while all of them are, new ones wait for a thread.
//
// Closing is a shutdown of the socket, which ends the wait at once; the
// thread serving it then closes the descriptor, after taking the connection
// out of the registry.
#pragma once

#include <sys/socket.h>

#include <cstddef>
#include <list>
#include <mutex>
#include <string>
#include <string_view>

namespace zemrath::explore {

struct open_connection {
    int socket = -1;
    std::string peer_address;  // as the HTTP library reports a request's remote address
    int peer_port = -1;
    bool waiting = false;             // on its client
    bool shut = false;                // closed by the explorer: no wait may start any more
    bool close_after_answer = false;  // a body was left unread: the next bytes are not a request
};

struct connection_registry {
    std::size_t keep_open = 0;  // the pool's threads less one
    std::mutex mutex;
    bool stopping = false;
    std::list<open_connection> open;  // oldest first
};

using connection_handle = std::list<open_connection>::iterator;

// Records a connection that a thread starts serving, making room for the
// next one as above.
connection_handle add_connection(connection_registry& registry, int socket, std::string peer_address, int peer_port);

// Takes it out again; the caller closes the socket after this.
void remove_connection(connection_registry& registry, connection_handle connection);

// Marks the connection as waiting on its client, making room as above.
// False when it must not wait: it was closed, it is the one closed to make
// room, or the explorer is stopping.
bool begin_wait(connection_registry& registry, connection_handle connection);
void end_wait(connection_registry& registry, connection_handle connection);

// Asks that the connection of this peer end after its current answer.
void close_after_answer(connection_registry& registry, std::string_view peer_address, int peer_port);
bool closes_after_answer(connection_registry& registry, connection_handle connection);

// Refuses every later wait and closes the connections waiting now; one at
// work on an answer finishes it and then ends.
void stop_connections(connection_registry& registry);

}  // namespace zemrath::explore
