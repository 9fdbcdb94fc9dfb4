// A set of result files that replaces an earlier set as a whole.
//
// Every file of the set is written in full to a temporary file in the
// target directory (and flushed to disk) before any of them replaces its
// namesake; only then are they renamed into place, one right after the
// other with interruptions held back, and stale files of an earlier set
// removed. A failure or an interruption before that point leaves the
// earlier set as it was, and the temporary files are removed on every path
// out; those of a process killed meanwhile are removed by the next
// prepare_directory of the folder. A rename can only fail for reasons
// outside the program (the disk going away); should one fail between two
// others, the error says which files are new and which are still the
// earlier ones.
//
// Failures are thrown as zemrath::error: write_failed with a message naming
// the file, cancelled when an interruption stopped the writing.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zemrath::results {

// Creates the directory if it is missing and makes sure that a file can be
// created, written and removed there, before any long work is done for it.
// Temporary files that killed runs left there are removed first
// (remove_stale_temporaries).
void prepare_directory(const std::filesystem::path& directory);

struct staged_file {
    std::string name;                 // the file's name in the directory
    std::filesystem::path temporary;  // where it is written meanwhile
    int fd = -1;
    std::string pending;  // bytes not yet handed to the system
};

struct file_set {
    std::filesystem::path directory;
    std::vector<std::unique_ptr<staged_file>> files;
    bool committed = false;

    explicit file_set(std::filesystem::path dir) : directory(std::move(dir)) {}
    ~file_set();  // removes the temporary files of a set not put in place
    file_set(const file_set&) = delete;
    file_set& operator=(const file_set&) = delete;
};

// Starts a new file of the set, written to a temporary file beside its
// target.
staged_file& add_file(file_set& set, std::string name);

// Appends bytes to the file.
void write_to(file_set& set, staged_file& file, std::string_view bytes);

// A sink for the table writers: appends to the file.
std::function<void(std::string_view)> sink_to(file_set& set, staged_file& file);

// Flushes every file to disk, then renames them all into place and removes
// the files named in `stale` (those of an earlier set that this set no
// longer has).
void commit(file_set& set, const std::vector<std::string>& stale = {});

}  // namespace zemrath::results
