// One connection's bytes, as the HTTP library reads and writes them, with
// time limits that a slow or idle client cannot stretch.
//
// The library's own stream gives every read the whole read timeout again, so
// a client sending a byte a second holds its thread for as long as it likes.
// Here the limits are on the request as a whole:
//
//   - the first byte of each request must come within first_byte of the
//     connection being ready for it (opened, or done with the last answer);
//   - from that byte, the whole request (head and body) within request;
//   - each write must go on within write_progress.
//
// Every wait on the client is reported to the registry, which may end it to
// make room for another connection, or because the explorer stops.
#pragma once

#include <httplib.h>

#include <array>
#include <chrono>

#include "explore/connection_registry.hpp"

namespace zemrath::explore {

struct connection_timeouts {
    std::chrono::milliseconds first_byte{2000};
    std::chrono::milliseconds request{5000};
    std::chrono::milliseconds write_progress{5000};
};

// The address and port at the other end of a socket, or at this end, as
// text ("127.0.0.1", "::1"); empty and -1 when the socket has none.
void socket_peer(int socket, std::string& address, int& port);
void socket_local(int socket, std::string& address, int& port);

class connection_stream final : public httplib::Stream {
public:
    connection_stream(int socket, connection_registry& registry, connection_handle connection,
                      const connection_timeouts& timeouts);

    // Waits for the first byte of the next request and starts its time
    // limit. False when none came in time, or the connection was closed.
    bool wait_for_request();

    bool is_readable() const override;
    bool is_writable() const override;
    ssize_t read(char* data, size_t size) override;
    ssize_t write(const char* data, size_t size) override;
    void get_remote_ip_and_port(std::string& address, int& port) const override;
    void get_local_ip_and_port(std::string& address, int& port) const override;
    socket_t socket() const override;

private:
    using clock = std::chrono::steady_clock;

    // Waits, reported to the registry, until the socket is ready for these
    // poll events or the deadline passes.
    bool wait_until_ready(short events, clock::time_point deadline) const;

    int socket_;
    connection_registry& registry_;
    connection_handle connection_;
    connection_timeouts timeouts_;
    clock::time_point request_deadline_;
    std::array<char, 4096> buffer_{};
    std::size_t buffered_begin_ = 0;
    std::size_t buffered_end_ = 0;
};

}  // namespace zemrath::explore
