// How zemrath-explore holds its connections: which one is closed to make
// room for another, what a stop closes, and the time limits a slow or idle
// client cannot stretch. The connections are real sockets (socket pairs, and
// TCP on loopback where an address matters).
#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "explore/connection_registry.hpp"
#include "explore/connection_stream.hpp"

namespace zemrath::explore {
namespace {

using namespace std::chrono_literals;
using clock_type = std::chrono::steady_clock;

// Both ends of a connection; the explorer's end is `served`.
struct socket_pair {
    int served = -1;
    int client = -1;

    socket_pair() {
        int ends[2];
        if (::socketpair(AF_UNIX, SOCK_STREAM, 0, ends) != 0) throw std::runtime_error("socketpair");
        served = ends[0];
        client = ends[1];
    }
    socket_pair(const socket_pair&) = delete;
    socket_pair& operator=(const socket_pair&) = delete;
    ~socket_pair() {
        ::close(served);
        ::close(client);
    }

    // Whether the explorer's end was shut down: the client reads the end of
    // the stream at once.
    bool shut_by_explorer() const {
        char byte;
        return ::recv(client, &byte, 1, MSG_DONTWAIT) == 0;
    }
};

TEST(ExploreConnections, TheOldestWaitingOneIsClosedToMakeRoom) {
    connection_registry registry;
    registry.keep_open = 2;
    std::vector<std::unique_ptr<socket_pair>> sockets;
    std::vector<connection_handle> handles;
    const auto open_one = [&] {
        sockets.push_back(std::make_unique<socket_pair>());
        handles.push_back(add_connection(registry, sockets.back()->served, "", -1));
    };
    open_one();
    open_one();
    EXPECT_TRUE(begin_wait(registry, handles[0]));  // two open: room enough
    EXPECT_TRUE(begin_wait(registry, handles[1]));
    open_one();  // a third: the oldest waiting one goes
    EXPECT_TRUE(sockets[0]->shut_by_explorer());
    EXPECT_FALSE(sockets[1]->shut_by_explorer());
    EXPECT_FALSE(begin_wait(registry, handles[0]));  // a closed one waits no more
    end_wait(registry, handles[1]);
    open_one();  // a fourth, with none of the others waiting: nothing to close
    EXPECT_FALSE(sockets[1]->shut_by_explorer());
    EXPECT_FALSE(sockets[2]->shut_by_explorer());
    // Three open and busy: the first of them to wait on its client is closed.
    EXPECT_FALSE(begin_wait(registry, handles[3]));
    EXPECT_TRUE(sockets[3]->shut_by_explorer());
    EXPECT_FALSE(sockets[2]->shut_by_explorer());
    remove_connection(registry, handles[0]);
    remove_connection(registry, handles[3]);
    EXPECT_TRUE(begin_wait(registry, handles[2]));  // two left: room again
    EXPECT_EQ(registry.open.size(), 2u);
}

TEST(ExploreConnections, StopClosesTheWaitingOnesAndRefusesEveryLaterWait) {
    connection_registry registry;
    registry.keep_open = 10;
    socket_pair waiting, working;
    const connection_handle waiting_handle = add_connection(registry, waiting.served, "", -1);
    const connection_handle working_handle = add_connection(registry, working.served, "", -1);
    ASSERT_TRUE(begin_wait(registry, waiting_handle));
    stop_connections(registry);
    EXPECT_TRUE(waiting.shut_by_explorer());
    EXPECT_FALSE(working.shut_by_explorer());  // it finishes its answer
    EXPECT_FALSE(begin_wait(registry, working_handle));
    socket_pair late;
    EXPECT_FALSE(begin_wait(registry, add_connection(registry, late.served, "", -1)));
}

TEST(ExploreConnections, CloseAfterAnswerMarksOnlyThatPeer) {
    connection_registry registry;
    registry.keep_open = 10;
    socket_pair a, b, c;
    const connection_handle first = add_connection(registry, a.served, "127.0.0.1", 40000);
    const connection_handle second = add_connection(registry, b.served, "127.0.0.1", 40001);
    const connection_handle third = add_connection(registry, c.served, "::1", 40000);
    close_after_answer(registry, "127.0.0.1", 40001);
    EXPECT_FALSE(closes_after_answer(registry, first));
    EXPECT_TRUE(closes_after_answer(registry, second));
    EXPECT_FALSE(closes_after_answer(registry, third));
}

// A TCP connection on loopback: the explorer's end and the client's.
struct tcp_pair {
    int served = -1;
    int client = -1;

    tcp_pair() {
        const int listening = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(listening, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(listening, 1) != 0 ||
            ::getsockname(listening, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            throw std::runtime_error("cannot listen on loopback");
        client = ::socket(AF_INET, SOCK_STREAM, 0);
        if (::connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
            throw std::runtime_error("cannot connect on loopback");
        served = ::accept(listening, nullptr, nullptr);
        ::close(listening);
    }
    tcp_pair(const tcp_pair&) = delete;
    tcp_pair& operator=(const tcp_pair&) = delete;
    ~tcp_pair() {
        ::close(served);
        ::close(client);
    }
};

// The connection alone in a registry with room for more.
connection_handle add_alone(connection_registry& registry, int socket) {
    registry.keep_open = 10;
    return add_connection(registry, socket, "", -1);
}

// A stream over the explorer's end, with the limits given, in a registry of its own.
struct timed_stream {
    connection_registry registry;
    tcp_pair sockets;
    connection_handle handle;
    connection_stream stream;

    explicit timed_stream(const connection_timeouts& timeouts)
        : handle(add_alone(registry, sockets.served)), stream(sockets.served, registry, handle, timeouts) {}
};

const connection_timeouts short_limits{300ms, 600ms, 400ms};

double seconds_since(clock_type::time_point start) {
    return std::chrono::duration<double>(clock_type::now() - start).count();
}

TEST(ExploreConnectionStream, AClientThatSendsNothingIsGivenUpAfterTheFirstByteLimit) {
    timed_stream connection(short_limits);
    const auto start = clock_type::now();
    EXPECT_FALSE(connection.stream.wait_for_request());
    EXPECT_GE(seconds_since(start), 0.3);
    EXPECT_LT(seconds_since(start), 10.0);
}

TEST(ExploreConnectionStream, ARequestSentAByteAtATimeIsCutOffAtItsLimit) {
    timed_stream connection(short_limits);
    std::atomic<bool> done{false};
    std::thread dripping([&] {
        while (!done) {
            ::send(connection.sockets.client, "G", 1, MSG_NOSIGNAL);
            std::this_thread::sleep_for(50ms);
        }
    });
    ASSERT_TRUE(connection.stream.wait_for_request());
    const auto start = clock_type::now();
    std::size_t bytes = 0;
    char byte;
    while (connection.stream.read(&byte, 1) == 1) ++bytes;  // never a whole request: it ends only by the limit
    const double took = seconds_since(start);
    done = true;
    dripping.join();
    EXPECT_GE(took, 0.5);   // every byte came well within the time any read may wait ...
    EXPECT_LT(took, 10.0);  // ... yet the request as a whole has its limit
    EXPECT_GT(bytes, 3u);
}

TEST(ExploreConnectionStream, AClientThatTakesNoAnswerIsGivenUp) {
    timed_stream connection(short_limits);
    const std::string answer(64 << 20, 'x');  // far more than the socket buffers hold
    const auto start = clock_type::now();
    EXPECT_EQ(connection.stream.write(answer.data(), answer.size()), -1);
    EXPECT_GE(seconds_since(start), 0.4);
    EXPECT_LT(seconds_since(start), 10.0);
}

TEST(ExploreConnectionStream, StoppingEndsAWaitAtOnce) {
    const connection_timeouts long_limits{60s, 60s, 60s};
    timed_stream connection(long_limits);
    auto waited = std::async(std::launch::async, [&] { return connection.stream.wait_for_request(); });
    const auto waiting = [&] {
        const std::lock_guard lock(connection.registry.mutex);
        return connection.registry.open.front().waiting;
    };
    while (!waiting()) std::this_thread::sleep_for(1ms);
    const auto start = clock_type::now();
    stop_connections(connection.registry);
    ASSERT_EQ(waited.wait_for(10s), std::future_status::ready);
    EXPECT_LT(seconds_since(start), 10.0);
    char byte;
    EXPECT_LE(connection.stream.read(&byte, 1), 0);  // the end of the stream, or the refused wait
}

TEST(ExploreConnectionStream, BytesPassBothWaysAndThePeerIsNamed) {
    timed_stream connection(short_limits);
    const std::string request = "GET / HTTP/1.1\r\n\r\n";
    ASSERT_EQ(::send(connection.sockets.client, request.data(), request.size(), 0),
              static_cast<ssize_t>(request.size()));
    ASSERT_TRUE(connection.stream.wait_for_request());
    std::string received(request.size(), '\0');
    std::size_t got = 0;
    while (got < received.size()) {
        const ssize_t n = connection.stream.read(received.data() + got, received.size() - got);
        ASSERT_GT(n, 0);
        got += static_cast<std::size_t>(n);
    }
    EXPECT_EQ(received, request);
    EXPECT_EQ(connection.stream.write("ok", 2), 2);
    char answer[2];
    ASSERT_EQ(::recv(connection.sockets.client, answer, 2, MSG_WAITALL), 2);
    EXPECT_EQ(std::string(answer, 2), "ok");
    std::string address;
    int port = 0;
    connection.stream.get_remote_ip_and_port(address, port);
    EXPECT_EQ(address, "127.0.0.1");
    EXPECT_GT(port, 0);
}

}  // namespace
}  // namespace zemrath::explore
