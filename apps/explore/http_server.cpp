#include "explore/http_server.hpp"

#include <sys/socket.h>
#include <unistd.h>

namespace zemrath::explore {

http_server::http_server() {
    connections.keep_open = connection_threads - 1;
    new_task_queue = [] { return new httplib::ThreadPool(connection_threads); };
    set_keep_alive_timeout(std::chrono::ceil<std::chrono::seconds>(timeouts.first_byte).count());
}

int http_server::bind(const std::string& host, int port) {
    const int bound = port == 0 ? bind_to_any_port(host) : (bind_to_port(host, port) ? port : -1);
    // The library listens with a backlog of 5, which drops connections that
    // arrive together until their clients try again a second later.
    if (bound >= 0) ::listen(svr_sock_, SOMAXCONN);
    return bound;
}

void http_server::stop_serving() {
    stop_connections(connections);
    stop();
    // Before the server listens, stop() has nothing to stop; a listening
    // socket that is shut down makes the accepting that follows end at once.
    const socket_t listening = svr_sock_;
    if (listening != INVALID_SOCKET) ::shutdown(listening, SHUT_RDWR);
}

bool http_server::process_and_close_socket(socket_t socket) {
    std::string peer_address;
    int peer_port = -1;
    socket_peer(socket, peer_address, peer_port);
    const connection_handle connection = add_connection(connections, socket, std::move(peer_address), peer_port);
    bool served = false;
    try {
        connection_stream stream(socket, connections, connection, timeouts);
        served = serve_requests(stream, connection);
    } catch (...) {
        // Whatever fails while one connection is served (even the memory for
        // its headers) ends that connection, not the explorer.
    }
    remove_connection(connections, connection);
    ::shutdown(socket, SHUT_RDWR);
    ::close(socket);
    return served;
}

bool http_server::serve_requests(connection_stream& stream, connection_handle connection) {
    for (std::size_t left = keep_alive_max_count_; left > 0; --left) {
        if (!stream.wait_for_request()) return true;
        bool client_closes = false;
        if (!process_request(stream, left == 1, client_closes, nullptr)) return false;
        if (client_closes || closes_after_answer(connections, connection)) return true;
    }
    return true;
}

}  // namespace zemrath::explore
