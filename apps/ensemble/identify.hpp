// Which seed made this file: the streams of a parameter set whose rows are
// those of a results file that zemrath wrote.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "zemrath/input_file.hpp"
#include "zemrath/parameters.hpp"
#include "zemrath/stream.hpp"

namespace zemrath::ensemble {

// What a results file of zemrath with these parameters can be: its header
// and, at most, a row of four numbers of 11 characters for each generation
// the parameters ask for, each after a blank and ending in CR LF.
input_kind results_file_kind(const model_parameters& parameters);

// The rows of a results file: its five header lines exactly, then rows of
// four whole numbers for generations 0, 1, 2, ... in turn, each line ending
// in CR LF (or LF, as a copy may have it). A last line without its line end
// is a row cut off as it was written, and is left out. Throws
// error_code::bad_value with the reason when the file is not such a file
// (or is no plain file, or larger than `kind` allows), read_failed when it
// cannot be read.
std::vector<generation_row> read_results_file(const std::filesystem::path& path, const input_kind& kind);

struct identification {
    std::vector<std::int32_t> seeds;  // those whose rows are the file's
    std::size_t rows = 0;             // rows compared: all the file has
    bool cut_short = false;           // the file has fewer rows than the answers' generations ask for
    bool too_long = false;            // the file has more: no stream can give it
};

// Compares the rows with the stream of every seed, each stream stopped at
// its first differing row.
identification identify_seeds(const model_parameters& parameters, std::span<const generation_row> rows,
                              std::span<const std::int32_t> seeds);

// What --identify prints: the seeds found, or that none was.
std::string identification_text(const identification& found, const std::filesystem::path& file,
                                std::span<const std::int32_t> seeds_tried, const model_parameters& parameters);

}  // namespace zemrath::ensemble
