#include "zemrath/input_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "zemrath/error.hpp"

namespace zemrath {

namespace {

std::string with_article(std::string_view name) {
    const bool vowel = !name.empty() && std::string_view("aeiou").find(name.front()) != std::string_view::npos;
    return (vowel ? "an " : "a ") + std::string(name);
}

// What a file of this type is, for a message; "" for a plain file.
std::string_view not_plain(mode_t mode) {
    if (S_ISREG(mode)) return "";
    if (S_ISDIR(mode)) return "a directory";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
    if (S_ISFIFO(mode)) return "a pipe (FIFO)";
    if (S_ISSOCK(mode)) return "a socket";
    return "not a plain file";
}

std::string too_large_reason(const input_kind& kind) {
    return "is larger than " + with_article(kind.name) + " can be (more than " + std::to_string(kind.limit) + " bytes)";
}

std::string reason_for(const struct stat& status, const input_kind& kind) {
    if (const std::string_view what = not_plain(status.st_mode); !what.empty())
        return "is " + std::string(what) + ", not " + with_article(kind.name);
    if (static_cast<std::size_t>(status.st_size) > kind.limit) return too_large_reason(kind);
    return "";
}

[[noreturn]] void refuse(const std::string& path, const std::string& reason) {
    throw error(error_code::bad_value, path + " " + reason, path);
}

[[noreturn]] void cannot_read(const std::string& path, const input_kind& kind, const char* verb, int error_number) {
    throw error(error_code::read_failed,
                std::string("cannot ") + verb + " " + std::string(kind.name) + " " + path + ": " + std::strerror(error_number),
                path);
}

struct descriptor {
    int fd;
    ~descriptor() {
        if (fd >= 0) ::close(fd);
    }
};

}  // namespace

std::string unfit_input_reason(const std::string& path, const input_kind& kind) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) return "";
    return reason_for(status, kind);
}

std::string read_input_file(const std::string& path, const input_kind& kind) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) cannot_read(path, kind, "open", errno);
    if (std::string reason = reason_for(status, kind); !reason.empty()) refuse(path, reason);
    // Not blocking: should the path have become a FIFO since, opening it
    // must not wait for a writer.
    const descriptor file{::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY)};
    if (file.fd < 0) cannot_read(path, kind, "open", errno);
    if (::fstat(file.fd, &status) != 0) cannot_read(path, kind, "read", errno);
    if (std::string reason = reason_for(status, kind); !reason.empty()) refuse(path, reason);

    std::string bytes(static_cast<std::size_t>(status.st_size), '\0');
    std::size_t size = 0;
    for (;;) {
        if (size == bytes.size()) bytes.resize(std::min(kind.limit + 1, std::max<std::size_t>(4096, 2 * size)));
        const ssize_t n = ::read(file.fd, bytes.data() + size, bytes.size() - size);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) cannot_read(path, kind, "read", errno);
        if (n == 0) break;
        size += static_cast<std::size_t>(n);
        if (size > kind.limit) refuse(path, too_large_reason(kind));
    }
    bytes.resize(size);
    return bytes;
}

}  // namespace zemrath
