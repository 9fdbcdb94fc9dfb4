#include "results/temporary_file.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "zemrath/error.hpp"

namespace zemrath::results {

namespace {

constexpr std::string_view marker = ".zemrath-";
constexpr std::size_t unique_length = 6;  // the XXXXXX of mkostemp and mkdtemp

std::string temporary_pattern(const std::filesystem::path& directory, std::string_view target) {
    std::string name = ".";
    name += target;
    name += marker;
    name.append(unique_length, 'X');
    return (directory / name).string();
}

// Whether path still names the file open on fd.
bool names_open_file(const std::filesystem::path& path, int fd) {
    struct stat named {}, open {};
    return ::stat(path.c_str(), &named) == 0 && ::fstat(fd, &open) == 0 && named.st_dev == open.st_dev &&
           named.st_ino == open.st_ino;
}

// Removes the file unless a live process holds it. The lock is taken before
// the name is checked and the file removed, so a writer that locks its new
// file right after creating it either finds it gone (and makes another) or
// keeps it.
void remove_if_abandoned(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && names_open_file(path, fd)) ::unlink(path.c_str());
    ::close(fd);
}

}  // namespace

int create_temporary_file(const std::filesystem::path& directory, std::string_view target,
                          std::filesystem::path& path) {
    for (;;) {
        std::string name = temporary_pattern(directory, target);
        const int fd = ::mkostemp(name.data(), O_CLOEXEC);
        if (fd < 0) return -1;
        while (::flock(fd, LOCK_EX) != 0) {
            if (errno == EINTR) continue;
            const int error_number = errno;
            ::close(fd);
            ::unlink(name.c_str());
            errno = error_number;
            return -1;
        }
        // Between its creation and the lock, a cleaner may have taken it
        // for abandoned.
        if (names_open_file(name, fd)) {
            path = name;
            return fd;
        }
        ::close(fd);
    }
}

bool is_temporary_name(std::string_view name) {
    const std::size_t at = name.rfind(marker);
    if (name.size() < 2 || name.front() != '.' || at == std::string_view::npos || at < 2) return false;
    const std::string_view unique = name.substr(at + marker.size());
    if (unique.size() != unique_length) return false;
    for (char c : unique)
        if (!std::isalnum(static_cast<unsigned char>(c))) return false;
    return true;
}

void remove_stale_temporaries(const std::filesystem::path& directory) {
    std::error_code failure;
    for (std::filesystem::directory_iterator entry(directory, failure), end; !failure && entry != end;
         entry.increment(failure)) {
        if (!is_temporary_name(entry->path().filename().string())) continue;
        std::error_code ignored;
        const std::filesystem::file_status status = entry->symlink_status(ignored);
        if (std::filesystem::is_directory(status))
            std::filesystem::remove_all(entry->path(), ignored);
        else if (std::filesystem::is_regular_file(status))
            remove_if_abandoned(entry->path());
    }
}

void discard_folder(const std::filesystem::path& folder) {
    std::string name = temporary_pattern(folder.parent_path(), folder.filename().string());
    if (::mkdtemp(name.data()) == nullptr)
        throw error(error_code::write_failed,
                    "cannot make room to discard " + folder.string() + ": " + std::strerror(errno));
    // Renaming a folder onto an empty one replaces it.
    if (std::rename(folder.c_str(), name.c_str()) != 0) {
        const int error_number = errno;
        ::rmdir(name.c_str());
        if (error_number == ENOENT) return;
        throw error(error_code::write_failed, "cannot discard " + folder.string() + ": " + std::strerror(error_number));
    }
    std::error_code ignored;
    std::filesystem::remove_all(name, ignored);
}

}  // namespace zemrath::results
