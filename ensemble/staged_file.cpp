#include "ensemble/staged_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace zemrath::ensemble {

namespace {

// Pending bytes are handed to the system in pieces of about this size.
constexpr std::size_t write_piece = 1 << 20;

void fail(staged_file& file, const std::string& what) {
    if (file.error.empty())
        file.error = "cannot write " + file.target.string() + ": " + what + ": " + std::strerror(errno);
}

void flush_pending(staged_file& file) {
    for (std::size_t done = 0; done < file.pending.size() && file.error.empty();) {
        const ssize_t n = ::write(file.fd, file.pending.data() + done, file.pending.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) fail(file, "write");
        else done += static_cast<std::size_t>(n);
    }
    file.pending.clear();
}

// The mode a plain creation would give: 0666 less the process's umask,
// which can only be read by setting it.
mode_t created_file_mode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

}  // namespace

bool stage_file(staged_file& file, const std::filesystem::path& target) {
    file = staged_file{};
    file.target = target;
    std::string hidden_name = ".";
    hidden_name += target.filename().string();
    hidden_name += ".XXXXXX";
    std::string name = (target.parent_path() / hidden_name).string();
    file.fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (file.fd < 0) {
        fail(file, "create temporary file");
        return false;
    }
    file.temporary = name;
    return true;
}

void staged_write(staged_file& file, std::string_view bytes) {
    if (!file.error.empty()) return;
    file.pending += bytes;
    if (file.pending.size() >= write_piece) flush_pending(file);
}

bool commit_staged(staged_file& file) {
    flush_pending(file);
    if (file.error.empty() && ::fchmod(file.fd, created_file_mode()) != 0) fail(file, "chmod");
    // On disk before the rename, so that not even a crash of the system can
    // leave a renamed but empty file.
    if (file.error.empty() && ::fsync(file.fd) != 0) fail(file, "fsync");
    if (::close(file.fd) != 0) fail(file, "close");
    file.fd = -1;
    if (file.error.empty() && std::rename(file.temporary.c_str(), file.target.c_str()) != 0)
        fail(file, "rename");
    if (!file.error.empty()) {
        ::unlink(file.temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace zemrath::ensemble
