// Talking to the explorer as a hostile client would: requests written byte
// for byte as given, sockets left idle, fed slowly or closed half-way.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>
#include <string>
#include <string_view>

namespace zemrath::testing {

// A connection to the explorer on loopback, closed when it goes.
struct raw_socket {
    int descriptor = -1;

    explicit raw_socket(int port) {
        descriptor = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (descriptor < 0 || ::connect(descriptor, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            if (descriptor >= 0) ::close(descriptor);
            throw std::runtime_error("cannot connect to the explorer");
        }
    }
    raw_socket(const raw_socket&) = delete;
    raw_socket& operator=(const raw_socket&) = delete;
    raw_socket(raw_socket&& other) noexcept : descriptor(other.descriptor) { other.descriptor = -1; }
    ~raw_socket() {
        if (descriptor >= 0) ::close(descriptor);
    }

    // Sends every byte; false once the explorer no longer takes them.
    bool send(std::string_view bytes) const {
        while (!bytes.empty()) {
            const ssize_t sent = ::send(descriptor, bytes.data(), bytes.size(), MSG_NOSIGNAL);
            if (sent <= 0) return false;
            bytes.remove_prefix(static_cast<std::size_t>(sent));
        }
        return true;
    }

    // What the explorer sends until it closes the connection, or until the
    // limit passes.
    std::string receive_until_closed(std::chrono::milliseconds limit = std::chrono::seconds(60)) const {
        std::string received;
        const auto give_up = std::chrono::steady_clock::now() + limit;
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(give_up -
                                                                                    std::chrono::steady_clock::now());
            pollfd watched{descriptor, POLLIN, 0};
            if (left.count() <= 0 || ::poll(&watched, 1, static_cast<int>(left.count())) <= 0) return received;
            char piece[65536];
            const ssize_t got = ::recv(descriptor, piece, sizeof piece, 0);
            if (got <= 0) return received;
            received.append(piece, static_cast<std::size_t>(got));
        }
    }

    // Whether the explorer has closed its end (within the limit).
    bool closed_by_explorer(std::chrono::milliseconds limit) const {
        pollfd watched{descriptor, POLLIN, 0};
        if (::poll(&watched, 1, static_cast<int>(limit.count())) <= 0) return false;
        char byte;
        return ::recv(descriptor, &byte, 1, MSG_DONTWAIT) <= 0;
    }
};

// The status of the first answer in what was received, 0 when there is none.
inline int status_of(std::string_view response) {
    if (!response.starts_with("HTTP/1.1 ") || response.size() < 12) return 0;
    return std::stoi(std::string(response.substr(9, 3)));
}

// The body of the first answer (as sent: not decoded from chunks).
inline std::string body_of(std::string_view response) {
    const std::size_t end_of_head = response.find("\r\n\r\n");
    return end_of_head == std::string_view::npos ? "" : std::string(response.substr(end_of_head + 4));
}

// How many answers the received bytes hold.
inline std::size_t answers_in(std::string_view response) {
    std::size_t count = 0;
    for (std::size_t at = response.find("HTTP/1.1 "); at != std::string_view::npos;
         at = response.find("HTTP/1.1 ", at + 1))
        ++count;
    return count;
}

}  // namespace zemrath::testing
