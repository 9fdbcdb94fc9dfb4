// A results file that is replaced whole or not at all.
//
// The bytes go to a temporary file in the target's directory; only when all
// of them are written is it renamed over the target, so a reader never sees a
// half-written file and a failed run leaves an earlier file as it was.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace zemrath::ensemble {

struct staged_file {
    std::filesystem::path target;
    std::filesystem::path temporary;
    int fd = -1;
    std::string pending;  // bytes not yet handed to the system
    std::string error;    // the first failure, empty while all is well
};

// Creates the temporary file beside target. False (error set) on failure.
bool stage_file(staged_file& file, const std::filesystem::path& target);

// Appends bytes; after a failure they are dropped.
void staged_write(staged_file& file, std::string_view bytes);

// Writes what is pending, closes the file and renames it onto the target,
// with the permissions a newly created file would get. On failure (error set)
// the temporary file is removed and the target left alone.
bool commit_staged(staged_file& file);

}  // namespace zemrath::ensemble
