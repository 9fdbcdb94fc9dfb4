// The tools' temporary files: each file is written under a temporary name
// beside its target, ".TARGET.zemrath-XXXXXX", and renamed into place once
// it is whole. The process writing one holds a lock on it (flock) for as
// long as the file has that name, so that a file left behind by a process
// that was killed can be told from one still being written, by this process
// or by another on any machine that shares the folder: the first can be
// locked, the second cannot. A folder about to be removed as a whole is
// first renamed to such a name, so that what a kill leaves of it is known
// for what it is too.
#pragma once

#include <filesystem>
#include <string_view>

namespace zemrath::results {

// Creates a new, empty temporary file for `target` in directory and locks
// it; returns its descriptor (close it once the file has been renamed or
// removed), or -1 with errno set. `path` receives its name.
int create_temporary_file(const std::filesystem::path& directory, std::string_view target,
                          std::filesystem::path& path);

// Whether a name in a folder is one the tools give their temporary files and
// folders.
bool is_temporary_name(std::string_view name);

// Removes what earlier runs left behind in directory under a temporary
// name: every such file that no process holds, and every such folder. The
// tools' other files, and everything else, are left alone. Best effort: a
// file that cannot be removed stays for the next time.
void remove_stale_temporaries(const std::filesystem::path& directory);

// Renames folder to a temporary name beside it and removes it, so that a
// kill part of the way through leaves no part of it under its own name.
// Throws zemrath::error (write_failed) when it cannot be renamed; what
// cannot be removed after that is left for remove_stale_temporaries.
void discard_folder(const std::filesystem::path& folder);

}  // namespace zemrath::results
