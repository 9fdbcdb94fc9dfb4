// The points of an experiment kept on disk as each one finishes, in a work
// folder under the output directory, so that an interrupted or sharded
// experiment computes every point once.
//
// The folder holds the experiment's identity (the program's version, the
// design, the seeds and every point's answers as text), copies of the
// experiment file and of its answers file (so that the final files can be
// written from the folder alone), and one file per finished point. Each is
// written to a temporary file and renamed into place, so a point is there
// whole or not at all; several runs on different machines may add points
// to one folder at the same time.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>

namespace zemrath::sweep {

inline constexpr const char* work_folder_name = "work";
inline constexpr const char* experiment_copy_name = "experiment.toml";
inline constexpr const char* answers_copy_name = "answers.txt";

struct point_store {
    std::filesystem::path folder;
};

// What an experiment's work folder holds besides its points.
struct experiment_identity {
    std::string identity;            // compared with what an existing folder holds
    std::string experiment_text;     // the experiment file
    std::optional<std::string> answers_text;  // the answers file it names, if any
};

// Opens the work folder under directory for this experiment, creating it
// when needed. A folder of another experiment (or of another version of the
// program) is refused with bad_value, unless restart, which first removes
// every point it holds.
point_store open_point_store(const std::filesystem::path& directory, const experiment_identity& experiment,
                             bool restart);

// The work folder of directory as it is, for a merge; bad_value when there
// is none.
point_store existing_point_store(const std::filesystem::path& directory);

std::string read_kept_file(const point_store& store, const char* name);
bool has_kept_file(const point_store& store, const char* name);

bool has_point(const point_store& store, std::size_t point);
void keep_point(const point_store& store, std::size_t point, const std::string& record);
std::string point_record(const point_store& store, std::size_t point);

// The identity the folder holds.
std::string kept_identity(const point_store& store);

}  // namespace zemrath::sweep
