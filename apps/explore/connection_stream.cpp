#include "explore/connection_stream.hpp"

#include <netdb.h>
#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace zemrath::explore {

namespace {

using getname_function = int (*)(int, sockaddr*, socklen_t*);

void socket_name(int socket, getname_function getname, std::string& address, int& port) {
    address.clear();
    port = -1;
    sockaddr_storage name{};
    socklen_t length = sizeof name;
    if (getname(socket, reinterpret_cast<sockaddr*>(&name), &length) != 0) return;
    char host[NI_MAXHOST];
    char service[NI_MAXSERV];
    if (::getnameinfo(reinterpret_cast<sockaddr*>(&name), length, host, sizeof host, service, sizeof service,
                      NI_NUMERICHOST | NI_NUMERICSERV) != 0)
        return;
    address = host;
    port = std::atoi(service);
}

int milliseconds_until(std::chrono::steady_clock::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return static_cast<int>(std::clamp<std::chrono::milliseconds::rep>(left.count(), 0, 1'000'000));
}

}  // namespace

void socket_peer(int socket, std::string& address, int& port) { socket_name(socket, ::getpeername, address, port); }

void socket_local(int socket, std::string& address, int& port) { socket_name(socket, ::getsockname, address, port); }

connection_stream::connection_stream(int socket, connection_registry& registry, connection_handle connection,
                                     const connection_timeouts& timeouts)
    : socket_(socket), registry_(registry), connection_(connection), timeouts_(timeouts) {}

bool connection_stream::wait_until_ready(short events, clock::time_point deadline) const {
    if (!begin_wait(registry_, connection_)) return false;
    pollfd watched{socket_, events, 0};
    int ready = 0;
    do {
        ready = ::poll(&watched, 1, milliseconds_until(deadline));
    } while (ready < 0 && errno == EINTR);
    end_wait(registry_, connection_);
    return ready > 0 && (watched.revents & POLLNVAL) == 0;
}

bool connection_stream::wait_for_request() {
    const bool arrived = buffered_begin_ < buffered_end_ ||  // sent right behind the last request
                         wait_until_ready(POLLIN, clock::now() + timeouts_.first_byte);
    request_deadline_ = clock::now() + timeouts_.request;
    return arrived;
}

bool connection_stream::is_readable() const {
    return buffered_begin_ < buffered_end_ || wait_until_ready(POLLIN, request_deadline_);
}

bool connection_stream::is_writable() const {
    return wait_until_ready(POLLOUT, clock::now() + timeouts_.write_progress);
}

ssize_t connection_stream::read(char* data, size_t size) {
    while (buffered_begin_ == buffered_end_) {
        if (!is_readable()) return -1;
        const ssize_t received = ::recv(socket_, buffer_.data(), buffer_.size(), MSG_DONTWAIT);
        if (received > 0) {
            buffered_begin_ = 0;
            buffered_end_ = static_cast<std::size_t>(received);
        } else if (received == 0) {
            return 0;  // the client closed its end
        } else if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
            return -1;
        }
    }
    const std::size_t taken = std::min(size, buffered_end_ - buffered_begin_);
    std::memcpy(data, buffer_.data() + buffered_begin_, taken);
    buffered_begin_ += taken;
    return static_cast<ssize_t>(taken);
}

ssize_t connection_stream::write(const char* data, size_t size) {
    std::size_t written = 0;
    while (written < size) {
        const ssize_t sent = ::send(socket_, data + written, size - written, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent > 0) {
            written += static_cast<std::size_t>(sent);
        } else if (sent < 0 && errno == EINTR) {
            continue;
        } else if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && is_writable()) {
            continue;
        } else {
            return -1;
        }
    }
    return static_cast<ssize_t>(written);
}

void connection_stream::get_remote_ip_and_port(std::string& address, int& port) const {
    socket_peer(socket_, address, port);
}

void connection_stream::get_local_ip_and_port(std::string& address, int& port) const {
    socket_local(socket_, address, port);
}

socket_t connection_stream::socket() const { return socket_; }

}  // namespace zemrath::explore
