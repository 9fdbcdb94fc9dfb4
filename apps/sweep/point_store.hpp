// The points of an experiment kept on disk as each one finishes, in a work
// folder under the output directory, so that an interrupted or sharded
// experiment computes every point once.
//
// DIR/work holds
//   identity.txt     the experiment's identity (identity_text in
//                    sweep_run.hpp: the program's version, the design, the
//                    seeds and every point's answers), then the line
//                    "sha256 HASH", whose HASH names the experiment;
//   experiment.toml  a copy of the experiment file, and answers.txt of the
//                    answers file it names, so that the final files can be
//                    written from the folder alone;
//   point-N.txt      the record of point N (point_record.hpp), which names
//                    the experiment and carries its own checksum;
//   damaged/         kept files that failed their checks, set aside under
//                    their names (with .2, .3, ... after a name already
//                    there), never deleted.
// Each file is written to a temporary file and renamed into place, so it is
// there whole or not at all; several runs on different machines may add
// points to one folder at the same time. Every file is checked whenever it
// is read: the kind of file and its size before a byte is read, then its
// checksum, then that it is what it should be.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "zemrath/input_file.hpp"

namespace zemrath::sweep {

inline constexpr const char* work_folder_name = "work";
inline constexpr const char* experiment_copy_name = "experiment.toml";
inline constexpr const char* answers_copy_name = "answers.txt";
inline constexpr const char* damaged_folder_name = "damaged";

struct point_store {
    std::filesystem::path folder;
    std::string experiment;        // the hash that its points must name
    std::size_t record_limit = 0;  // the most bytes a record of one of its points can have
};

// What an experiment's work folder holds besides its points.
struct experiment_identity {
    std::string identity;                     // identity_text
    std::string experiment_text;              // the experiment file
    std::optional<std::string> answers_text;  // the answers file it names, if any
    std::size_t record_limit = 0;             // largest_point_record of its longest point
};

// The hash that names the experiment of this identity.
std::string experiment_hash(const experiment_identity& experiment);

// Where the store tells what it found and did about it (a damaged identity
// file set aside), one line at a time.
using store_notes = std::function<void(const std::string&)>;

// Opens the work folder under directory for this experiment, creating it
// when needed, and removes what killed runs left there under temporary
// names. With restart the folder is discarded first, as a whole. The
// folder must be this experiment's: by its identity file, or, where that is
// missing, by its points (an identity file that is damaged or was edited is
// set aside, told to `notes`, and rebuilt the same way). A folder of another
// experiment or of another version of the program is refused with
// bad_value, naming which, with `advice` after the reason.
point_store open_point_store(const std::filesystem::path& directory, const experiment_identity& experiment,
                             bool restart, const std::string& advice, const store_notes& notes);

// The work folder of directory, for a merge; bad_value when it holds no
// experiment.
std::filesystem::path existing_work_folder(const std::filesystem::path& directory);

// A file of the work folder, checked as input of that kind.
std::string read_kept_file(const std::filesystem::path& folder, const char* name, const input_kind& kind);

// A kept point that failed its checks, and where it was put.
struct damaged_point {
    std::size_t point = 0;
    std::filesystem::path file;    // where it was
    std::string reason;            // what is wrong, worded to follow the file's name
    std::filesystem::path set_aside;  // where it is now
};

struct point_check {
    std::vector<std::size_t> missing;     // not kept, or damaged: to be run
    std::vector<damaged_point> damaged;   // set aside into damaged/
};

// Checks the kept record of each of the points, in the order given, and sets
// aside every damaged one; first check_folder_still_open.
point_check check_points(const point_store& store, std::span<const std::size_t> points);

// Keeps the record of a finished point, after check_folder_still_open.
void keep_point(const point_store& store, std::size_t point, const std::string& record);

// The content (record_content) of the point's record; read_failed naming
// the point and what is wrong when it is missing or damaged.
std::string point_record(const point_store& store, std::size_t point);

// write_failed when another run discarded the folder since it was opened:
// its identity file no longer names this experiment. (A run that restarts
// the same experiment leaves the points of this one good in its folder.)
void check_folder_still_open(const point_store& store);

}  // namespace zemrath::sweep
