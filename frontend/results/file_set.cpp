#include "results/file_set.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>

#include "results/interruption.hpp"
#include "results/temporary_file.hpp"
#include "zemrath/error.hpp"

namespace zemrath::results {

namespace {

// Pending bytes are handed to the system in pieces of about this size, and
// an interruption is looked for between pieces.
constexpr std::size_t write_piece = 1 << 20;

[[noreturn]] void fail(const std::string& what, int error_number) {
    throw error(error_code::write_failed, what + ": " + std::strerror(error_number));
}

void check_interruption() {
    if (interrupted()) throw error(error_code::cancelled, "interrupted");
}

std::string describe(const file_set& set, const staged_file& file) {
    return "cannot write " + (set.directory / file.name).string();
}

void flush_pending(const file_set& set, staged_file& file) {
    for (std::size_t done = 0; done < file.pending.size();) {
        check_interruption();
        const ssize_t n = ::write(file.fd, file.pending.data() + done, file.pending.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) fail(describe(set, file), errno);
        done += static_cast<std::size_t>(n);
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

// Writes what is pending, gives the file its permissions and puts it on
// disk, so that not even a crash of the system can leave a renamed but empty
// file. The file stays open, and so locked as a temporary file still being
// written, until it has been renamed.
void finish(const file_set& set, staged_file& file) {
    flush_pending(set, file);
    if (::fchmod(file.fd, created_file_mode()) != 0) fail(describe(set, file), errno);
    if (::fsync(file.fd) != 0) fail(describe(set, file), errno);
}

void sync_directory(const std::filesystem::path& directory) {
    const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    (void)::fsync(fd);
    ::close(fd);
}

std::string names(const std::vector<std::string>& list) {
    std::string text;
    for (const std::string& name : list) text += (text.empty() ? "" : ", ") + name;
    return text;
}

}  // namespace

void prepare_directory(const std::filesystem::path& directory) {
    if (directory.empty()) throw error(error_code::bad_value, "the output directory name is empty");
    std::error_code failure;
    std::filesystem::create_directories(directory, failure);
    if (failure)
        throw error(error_code::write_failed,
                    "cannot create directory " + directory.string() + ": " + failure.message());
    remove_stale_temporaries(directory);
    std::filesystem::path probe;
    const int fd = create_temporary_file(directory, "probe", probe);
    if (fd < 0) fail("cannot create a file in " + directory.string(), errno);
    const int written = static_cast<int>(::write(fd, "x", 1));
    const int write_error = errno;
    ::unlink(probe.c_str());
    ::close(fd);
    if (written != 1) fail("cannot write a file in " + directory.string(), write_error);
}

file_set::~file_set() {
    for (const auto& file : files) {
        if (!committed && !file->temporary.empty()) ::unlink(file->temporary.c_str());
        if (file->fd >= 0) ::close(file->fd);
    }
}

staged_file& add_file(file_set& set, std::string name) {
    check_interruption();
    auto file = std::make_unique<staged_file>();
    file->name = std::move(name);
    file->fd = create_temporary_file(set.directory, file->name, file->temporary);
    if (file->fd < 0) fail(describe(set, *file), errno);
    set.files.push_back(std::move(file));
    return *set.files.back();
}

void write_to(file_set& set, staged_file& file, std::string_view bytes) {
    file.pending += bytes;
    if (file.pending.size() >= write_piece) flush_pending(set, file);
}

std::function<void(std::string_view)> sink_to(file_set& set, staged_file& file) {
    return [&set, &file](std::string_view bytes) { write_to(set, file, bytes); };
}

void commit(file_set& set, const std::vector<std::string>& stale) {
    for (const auto& file : set.files) finish(set, *file);
    check_interruption();

    const interruptions_deferred deferred;
    std::vector<std::string> placed;
    for (const auto& file : set.files) {
        if (std::rename(file->temporary.c_str(), (set.directory / file->name).c_str()) != 0) {
            const int rename_error = errno;
            std::vector<std::string> earlier;
            for (const auto& rest : set.files)
                if (std::find(placed.begin(), placed.end(), rest->name) == placed.end()) earlier.push_back(rest->name);
            std::string what = "cannot put " + (set.directory / file->name).string() + " in place";
            if (!placed.empty())
                what += " (new: " + names(placed) + "; still from the earlier run: " + names(earlier) + ")";
            fail(what, rename_error);
        }
        placed.push_back(file->name);
        file->temporary.clear();
    }
    set.committed = true;
    // On disk since finish: closing can lose nothing now.
    for (const auto& file : set.files) {
        ::close(file->fd);
        file->fd = -1;
    }
    for (const std::string& name : stale) {
        const std::filesystem::path path = set.directory / name;
        if (::unlink(path.c_str()) != 0 && errno != ENOENT) fail("cannot remove the stale " + path.string(), errno);
    }
    sync_directory(set.directory);
}

}  // namespace zemrath::results
