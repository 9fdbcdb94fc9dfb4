#include "sweep/point_store.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "results/temporary_file.hpp"
#include "sweep/content_hash.hpp"
#include "sweep/point_record.hpp"
#include "zemrath/error.hpp"
#include "zemrath/version.hpp"

namespace zemrath::sweep {

namespace {

constexpr const char* identity_name = "identity.txt";
constexpr std::string_view checksum_start = "sha256 ";
constexpr std::string_view point_prefix = "point-";
constexpr std::string_view point_suffix = ".txt";

[[noreturn]] void fail(const std::string& what, int error_number) {
    throw error(error_code::write_failed, what + ": " + std::strerror(error_number));
}

std::string point_name(std::size_t point) {
    return std::string(point_prefix) + std::to_string(point) + std::string(point_suffix);
}

std::filesystem::path point_path(const point_store& store, std::size_t point) {
    return store.folder / point_name(point);
}

input_kind point_kind(const point_store& store) { return {"kept point", store.record_limit}; }

// The identity file as this experiment writes it.
std::string identity_file_text(const experiment_identity& experiment) {
    return experiment.identity + std::string(checksum_start) + experiment_hash(experiment) + "\n";
}

// The bytes in a new temporary file beside target, on disk; the descriptor
// stays open (and the file locked as one being written) until the caller
// has put it in place, and the file is removed then unless it was renamed.
struct written_temporary {
    std::filesystem::path path;
    int fd = -1;

    written_temporary(const std::filesystem::path& target, const std::string& bytes) {
        fd = results::create_temporary_file(target.parent_path(), target.filename().string(), path);
        if (fd < 0) fail("cannot create a file in " + target.parent_path().string(), errno);
        int error_number = 0;
        for (std::size_t done = 0; done < bytes.size() && error_number == 0;) {
            const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
            if (n >= 0) done += static_cast<std::size_t>(n);
            else if (errno != EINTR) error_number = errno;
        }
        if (error_number == 0 && (::fchmod(fd, 0644) != 0 || ::fsync(fd) != 0)) error_number = errno;
        if (error_number != 0) {
            remove();
            fail("cannot write " + path.string(), error_number);
        }
    }
    written_temporary(const written_temporary&) = delete;
    written_temporary& operator=(const written_temporary&) = delete;
    ~written_temporary() { remove(); }

    void remove() {
        if (fd < 0) return;
        ::unlink(path.c_str());
        ::close(fd);
        fd = -1;
    }
};

// Puts the bytes in place under `target`, replacing what is there.
void replace_file(const std::filesystem::path& target, const std::string& bytes) {
    const written_temporary temporary(target, bytes);
    if (std::rename(temporary.path.c_str(), target.c_str()) != 0)
        fail("cannot put " + target.string() + " in place", errno);
}

// Puts the bytes in place under `target` unless a file is there already;
// returns whether this call made it. Of runs racing to create it, one wins.
bool create_file_once(const std::filesystem::path& target, const std::string& bytes) {
    const written_temporary temporary(target, bytes);
    if (::link(temporary.path.c_str(), target.c_str()) == 0) return true;
    if (errno != EEXIST) fail("cannot create " + target.string(), errno);
    return false;
}

bool exists_as_anything(const std::filesystem::path& path) {
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0;
}

// Moves a kept file (or whatever is in its place) into damaged/, under a
// name not taken there yet; returns where it went.
std::filesystem::path set_aside(const std::filesystem::path& folder, const std::filesystem::path& file) {
    const std::filesystem::path damaged = folder / damaged_folder_name;
    std::error_code failure;
    std::filesystem::create_directories(damaged, failure);
    if (failure) throw error(error_code::write_failed, "cannot create " + damaged.string() + ": " + failure.message());
    std::filesystem::path target = damaged / file.filename();
    for (int n = 2; exists_as_anything(target); ++n) target = damaged / (file.filename().string() + "." + std::to_string(n));
    if (std::rename(file.c_str(), target.c_str()) != 0 && errno != ENOENT)
        fail("cannot set " + file.string() + " aside", errno);
    return target;
}

// Why the bytes of an identity file are not sound; "" when they are.
std::string identity_damage(std::string_view bytes) {
    if (bytes.empty() || bytes.back() != '\n') return "it does not end with a whole line";
    const std::size_t before = bytes.size() >= 2 ? bytes.rfind('\n', bytes.size() - 2) : std::string_view::npos;
    const std::size_t last = before == std::string_view::npos ? 0 : before + 1;
    const std::string_view line = bytes.substr(last, bytes.size() - 1 - last);
    if (!line.starts_with(checksum_start) || !looks_like_content_hash(line.substr(checksum_start.size())))
        return "it does not end with its checksum line";
    if (content_hash(bytes.substr(0, last)) != line.substr(checksum_start.size()))
        return "its content does not match its checksum";
    return "";
}

// The version that a sound identity file names on its first line.
std::string identity_version(std::string_view bytes) {
    const std::string_view line = bytes.substr(0, bytes.find('\n'));
    const std::size_t blank = line.find(' ');
    return blank == std::string_view::npos ? std::string() : std::string(line.substr(blank + 1));
}

// Refuses a folder without an identity file whose points name another
// experiment or version: the identity rebuilt from them is not ours.
void refuse_foreign_points(const point_store& store, const std::filesystem::path& directory,
                           const std::string& advice) {
    std::size_t foreign = 0;
    std::string example;
    std::error_code failure;
    for (std::filesystem::directory_iterator entry(store.folder, failure), end; !failure && entry != end;
         entry.increment(failure)) {
        const std::string name = entry->path().filename().string();
        if (!name.starts_with(point_prefix) || !name.ends_with(point_suffix)) continue;
        std::string first_line;
        try {
            first_line = read_input_file(entry->path().string(), {"kept point", store.record_limit});
        } catch (const error&) {
            continue;  // damaged: set aside when its point is checked
        }
        const record_header header = record_header_of(std::string_view(first_line).substr(0, first_line.find('\n')));
        if (header.experiment.empty() || (header.experiment == store.experiment && header.version == version)) continue;
        if (foreign++ == 0) example = name;
        if (header.version != version) example += " (kept by version " + header.version + ")";
    }
    if (foreign > 0)
        throw error(error_code::bad_value,
                    directory.string() + " holds the points of another experiment (" + store.folder.string() +
                        " has no identity file, and " + example +
                        (foreign > 1 ? " and " + std::to_string(foreign - 1) + " more are" : " is") +
                        " not of this one)" + advice);
}

// Makes sure the folder is this experiment's, writing its identity file
// where there is none.
void claim_folder(const point_store& store, const std::filesystem::path& directory,
                  const experiment_identity& experiment, const std::string& advice, const store_notes& notes) {
    const std::filesystem::path file = store.folder / identity_name;
    const std::string ours = identity_file_text(experiment);
    // The few bytes of a version line can make another experiment's file
    // larger than ours; one that is larger still is none of ours anyway.
    const input_kind kind{"identity file", 2 * ours.size() + (std::size_t{1} << 20)};
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (!exists_as_anything(file)) {
            refuse_foreign_points(store, directory, advice);
            if (create_file_once(file, ours)) return;
        }
        std::string reason = unfit_input_reason(file.string(), kind);
        std::string bytes;
        if (reason.empty()) {
            bytes = read_input_file(file.string(), kind);
            reason = identity_damage(bytes);
            if (!reason.empty()) reason = "was edited or is damaged: " + reason;
        }
        if (reason.empty()) {
            if (bytes == ours) return;
            const std::string other = identity_version(bytes);
            throw error(error_code::bad_value,
                        directory.string() + " holds the points of " +
                            (other != version ? "version " + other + " of the program (this is " + std::string(version) + ")"
                                              : "another experiment") +
                            advice);
        }
        const std::filesystem::path moved = set_aside(store.folder, file);
        notes(file.string() + " " + reason + "; set aside as " + moved.string() +
              ", the identity is rebuilt from the kept points");
    }
    throw error(error_code::write_failed, "the identity file " + file.string() + " keeps being damaged");
}

void copy_once(const std::filesystem::path& target, const std::string& bytes) {
    if (create_file_once(target, bytes)) return;
    std::string kept;
    try {
        kept = read_input_file(target.string(), {"kept copy", bytes.size()});
    } catch (const error&) {
        // Refused for its kind or size: not the copy, which is put in place below.
    }
    if (kept != bytes) replace_file(target, bytes);
}

// The last line of the folder's identity file, read alone: "" when there is
// none.
std::string identity_checksum_line(const point_store& store) {
    const std::string ours = std::string(checksum_start) + store.experiment + "\n";
    const int fd = ::open((store.folder / identity_name).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return "";
    struct stat status {};
    std::string line(ours.size(), '\0');
    const bool read = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) &&
                      static_cast<std::size_t>(status.st_size) >= line.size() &&
                      ::pread(fd, line.data(), line.size(), status.st_size - static_cast<off_t>(line.size())) ==
                          static_cast<ssize_t>(line.size());
    ::close(fd);
    return read ? line : "";
}

}  // namespace

std::string experiment_hash(const experiment_identity& experiment) { return content_hash(experiment.identity); }

point_store open_point_store(const std::filesystem::path& directory, const experiment_identity& experiment,
                             bool restart, const std::string& advice, const store_notes& notes) {
    point_store store{directory / work_folder_name, experiment_hash(experiment), experiment.record_limit};
    if (restart && exists_as_anything(store.folder)) results::discard_folder(store.folder);
    std::error_code failure;
    std::filesystem::create_directories(store.folder, failure);
    if (failure) throw error(error_code::write_failed, "cannot create " + store.folder.string() + ": " + failure.message());
    results::remove_stale_temporaries(store.folder);
    claim_folder(store, directory, experiment, advice, notes);
    copy_once(store.folder / experiment_copy_name, experiment.experiment_text);
    if (experiment.answers_text) copy_once(store.folder / answers_copy_name, *experiment.answers_text);
    return store;
}

std::filesystem::path existing_work_folder(const std::filesystem::path& directory) {
    const std::filesystem::path folder = directory / work_folder_name;
    if (!exists_as_anything(folder / experiment_copy_name))
        throw error(error_code::bad_value, directory.string() + " holds no experiment (no " +
                                               (folder / experiment_copy_name).string() + ")");
    return folder;
}

std::string read_kept_file(const std::filesystem::path& folder, const char* name, const input_kind& kind) {
    return read_input_file((folder / name).string(), kind);
}

point_check check_points(const point_store& store, std::span<const std::size_t> points) {
    check_folder_still_open(store);
    point_check check;
    for (std::size_t point : points) {
        const std::filesystem::path file = point_path(store, point);
        if (!exists_as_anything(file)) {
            check.missing.push_back(point);
            continue;
        }
        std::string reason = unfit_input_reason(file.string(), point_kind(store));
        if (reason.empty()) {
            try {
                reason = record_damage(read_input_file(file.string(), point_kind(store)),
                                       {store.experiment, point});
            } catch (const error& failure) {
                reason = std::string("cannot be read (") + failure.what() + ")";
            }
        }
        if (reason.empty()) continue;
        check.missing.push_back(point);
        check.damaged.push_back({point, file, reason, set_aside(store.folder, file)});
    }
    return check;
}

void keep_point(const point_store& store, std::size_t point, const std::string& record) {
    check_folder_still_open(store);
    try {
        replace_file(point_path(store, point), record);
    } catch (const error&) {
        check_folder_still_open(store);  // discarded while the record was written: say so
        throw;
    }
}

std::string point_record(const point_store& store, std::size_t point) {
    const std::filesystem::path file = point_path(store, point);
    std::string bytes;
    std::string reason = unfit_input_reason(file.string(), point_kind(store));
    if (reason.empty()) {
        bytes = read_input_file(file.string(), point_kind(store));
        reason = record_damage(bytes, {store.experiment, point});
    }
    if (!reason.empty())
        throw error(error_code::read_failed, "point " + std::to_string(point) + " is damaged: " + file.string() + " " + reason);
    return std::string(record_content(bytes));
}

void check_folder_still_open(const point_store& store) {
    if (identity_checksum_line(store) != std::string(checksum_start) + store.experiment + "\n")
        throw error(error_code::write_failed, store.folder.string() +
                                                  " was discarded by another run (--restart) while this one ran; "
                                                  "the points this run kept went with it");
}

}  // namespace zemrath::sweep
