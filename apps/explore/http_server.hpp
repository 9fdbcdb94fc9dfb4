// The HTTP library's server with the explorer's own handling of each
// connection: a fixed pool of threads, idle and slow connections closed to
// make room (connection_registry.hpp), and time limits on the request as a
// whole (connection_stream.hpp).
//
// The library lets a program take over a connection only by overriding
// the server's virtual that serves one; everything else about the server
// (the parsing, the routes, the answers) stays the library's.
#pragma once

#include <httplib.h>

#include <cstddef>
#include <string>

#include "explore/connection_registry.hpp"
#include "explore/connection_stream.hpp"

namespace zemrath::explore {

// Connections served at once: each has a thread of its own, so that a long
// computation or download does not keep the page's other requests waiting.
inline constexpr std::size_t connection_threads = 32;

class http_server final : public httplib::Server {
public:
    http_server();

    // Binds to the port, or to any free one when port is 0: the port bound,
    // or -1 when the address cannot be had.
    int bind(const std::string& host, int port);

    // Stops accepting and ends every connection that waits on its client;
    // from any thread, also before serving has begun (it then ends at once).
    void stop_serving();

    connection_registry connections;
    connection_timeouts timeouts;

private:
    bool process_and_close_socket(socket_t socket) override;
    bool serve_requests(connection_stream& stream, connection_handle connection);
};

}  // namespace zemrath::explore
