#include "textio/out_stream.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "textio/error_report.hpp"

namespace zemrath {

namespace {

out_stream make_console_stream(int fd, std::int32_t number) {
    out_stream stream;
    stream.fd = fd;
    stream.number = number;
    return stream;
}

out_stream* open_file_stream = nullptr;

// Writes bytes until the system has taken them all. Returns the count taken;
// errno tells why when it is short.
std::size_t write_all(int fd, const char* bytes, std::size_t count) {
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::write(fd, bytes + done, count - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (n == 0) {
            errno = EIO;
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    return done;
}

void ensure_buffer(out_stream& stream) {
    if (stream.buffer.size() < stream_buffer_size) stream.buffer.resize(stream_buffer_size);
}

void put_unbuffered(out_stream& stream, std::string_view piece) {
    ensure_buffer(stream);
    if (stream.fill + piece.size() > stream.buffer.size()) {
        // The bytes of earlier failed writes still wait, and this piece no
        // longer fits behind them.
        if (!stream_flush(stream)) report_system_error(errno);
        if (piece.size() > stream.buffer.size()) {
            if (write_all(stream.fd, piece.data(), piece.size()) != piece.size())
                report_system_error(errno);
            return;
        }
    }
    std::memcpy(stream.buffer.data() + stream.fill, piece.data(), piece.size());
    stream.fill += piece.size();
    stream_flush(stream);
}

void put_buffered(out_stream& stream, std::string_view piece) {
    ensure_buffer(stream);
    if (stream.fill + piece.size() > stream.buffer.size()) {
        if (!stream_flush(stream)) report_system_error(errno);
        stream.buffer_offset += static_cast<std::int64_t>(stream.fill);
        stream.fill = 0;
        stream.written = 0;
        if (piece.size() > stream.buffer.size()) {
            if (write_all(stream.fd, piece.data(), piece.size()) != piece.size())
                report_system_error(errno);
            stream.buffer_offset += static_cast<std::int64_t>(piece.size());
            return;
        }
    }
    std::memcpy(stream.buffer.data() + stream.fill, piece.data(), piece.size());
    stream.fill += piece.size();
}

}  // namespace

void attach_console_streams() {
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        // open() takes the lowest free descriptor, which is this one.
        if (::open("/dev/null", O_RDWR) != fd) std::_Exit(exit_runtime_error);
    }
}

out_stream& console_out() {
    static out_stream stream = make_console_stream(STDOUT_FILENO, 6);
    return stream;
}

out_stream& message_out() {
    static out_stream stream = make_console_stream(STDERR_FILENO, 0);
    return stream;
}

void stream_put(out_stream& stream, std::string_view piece) {
    if (stream.read_only) report_runtime_error("Cannot write to file opened for READ");
    if (stream.buffered)
        put_buffered(stream, piece);
    else
        put_unbuffered(stream, piece);
}

bool stream_flush(out_stream& stream) {
    if (stream.fd < 0 || stream.written == stream.fill) return true;
    const std::size_t count = stream.fill - stream.written;
    const std::size_t done = write_all(stream.fd, stream.buffer.data() + stream.written, count);
    if (stream.buffered) {
        stream.written += done;
    } else {
        // Console streams keep only what still waits at the front of the buffer.
        std::memmove(stream.buffer.data(), stream.buffer.data() + stream.written + done, count - done);
        stream.fill = count - done;
        stream.written = 0;
    }
    return done == count;
}

std::int64_t stream_offset(const out_stream& stream) {
    return stream.buffer_offset + static_cast<std::int64_t>(stream.fill);
}

void register_file_stream(out_stream* stream) { open_file_stream = stream; }

void close_file_stream(out_stream& stream) {
    if (!stream.read_only) stream_flush(stream);
    if (stream.fd >= 0) ::close(stream.fd);
    stream.fd = -1;
    if (open_file_stream == &stream) open_file_stream = nullptr;
}

void close_streams() {
    stream_flush(console_out());
    stream_flush(message_out());
    if (open_file_stream != nullptr) close_file_stream(*open_file_stream);
}

}  // namespace zemrath
