#include "sweep/point_store.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#include "zemrath/error.hpp"

namespace zemrath::sweep {

namespace {

constexpr const char* identity_name = "identity.txt";

[[noreturn]] void fail(const std::string& what, int error_number) {
    throw error(error_code::write_failed, what + ": " + std::strerror(error_number));
}

std::filesystem::path point_path(const point_store& store, std::size_t point) {
    return store.folder / ("point-" + std::to_string(point) + ".txt");
}

// The bytes in a temporary file of the folder, on disk; returns its path.
std::filesystem::path write_temporary(const std::filesystem::path& folder, const std::string& bytes) {
    std::string name = (folder / ".kept.XXXXXX").string();
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) fail("cannot create a file in " + folder.string(), errno);
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const int error_number = errno;
            ::close(fd);
            ::unlink(name.c_str());
            fail("cannot write " + name, error_number);
        }
        done += static_cast<std::size_t>(n);
    }
    const bool synced = ::fsync(fd) == 0 && ::fchmod(fd, 0644) == 0;
    const int error_number = errno;
    ::close(fd);
    if (!synced) {
        ::unlink(name.c_str());
        fail("cannot write " + name, error_number);
    }
    return name;
}

// Puts the bytes in place under `target`, replacing what is there.
void replace_file(const std::filesystem::path& target, const std::string& bytes) {
    const std::filesystem::path temporary = write_temporary(target.parent_path(), bytes);
    if (std::rename(temporary.c_str(), target.c_str()) != 0) {
        const int error_number = errno;
        ::unlink(temporary.c_str());
        fail("cannot put " + target.string() + " in place", error_number);
    }
}

// Puts the bytes in place under `target` unless a file is there already;
// returns whether this call made it. Of runs racing to create it, one wins.
bool create_file_once(const std::filesystem::path& target, const std::string& bytes) {
    const std::filesystem::path temporary = write_temporary(target.parent_path(), bytes);
    const bool made = ::link(temporary.c_str(), target.c_str()) == 0;
    const int error_number = errno;
    ::unlink(temporary.c_str());
    if (!made && error_number != EEXIST) fail("cannot create " + target.string(), error_number);
    return made;
}

std::string read_whole(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw error(error_code::read_failed, "cannot read " + path.string());
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

}  // namespace

point_store open_point_store(const std::filesystem::path& directory, const experiment_identity& experiment,
                             bool restart) {
    point_store store{directory / work_folder_name};
    if (restart) std::filesystem::remove_all(store.folder);
    std::error_code failure;
    std::filesystem::create_directories(store.folder, failure);
    if (failure) throw error(error_code::write_failed, "cannot create " + store.folder.string() + ": " + failure.message());
    if (!create_file_once(store.folder / identity_name, experiment.identity) &&
        kept_identity(store) != experiment.identity)
        throw error(error_code::bad_value,
                    directory.string() + " holds the points of another experiment, or of another version of the "
                                         "program; give --restart to discard them, or another --out");
    create_file_once(store.folder / experiment_copy_name, experiment.experiment_text);
    if (experiment.answers_text) create_file_once(store.folder / answers_copy_name, *experiment.answers_text);
    return store;
}

point_store existing_point_store(const std::filesystem::path& directory) {
    point_store store{directory / work_folder_name};
    if (!std::filesystem::exists(store.folder / identity_name))
        throw error(error_code::bad_value, directory.string() + " holds no experiment (no " +
                                               (store.folder / identity_name).string() + ")");
    return store;
}

std::string read_kept_file(const point_store& store, const char* name) { return read_whole(store.folder / name); }

bool has_kept_file(const point_store& store, const char* name) {
    return std::filesystem::exists(store.folder / name);
}

bool has_point(const point_store& store, std::size_t point) { return std::filesystem::exists(point_path(store, point)); }

void keep_point(const point_store& store, std::size_t point, const std::string& record) {
    replace_file(point_path(store, point), record);
}

std::string point_record(const point_store& store, std::size_t point) { return read_whole(point_path(store, point)); }

std::string kept_identity(const point_store& store) { return read_whole(store.folder / identity_name); }

}  // namespace zemrath::sweep
