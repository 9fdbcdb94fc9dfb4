// Error reports: how a failure ends the process.
//
// Before each input/output statement (and the creation of the age-class
// arrays) the driver records the statement's line; a report quotes it in its
// locus line together with the stream under way. A report closes every
// stream, so the results file keeps every byte handed to it, writes its lines
// to standard error with LF line ends and ends the process: status 2 for a
// runtime error, 1 for memory exhaustion. Nothing of a report goes to
// standard output.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zemrath {

inline constexpr std::string_view program_source_name = "Zemrath";
inline constexpr int exit_runtime_error = 2;
inline constexpr int exit_memory_exhaustion = 1;

inline constexpr std::string_view traceback_line =
    "Traceback: not available, compile with -DZEMRATH_TRACEBACK=ON or -DZEMRATH_DEBUG_INFO=ON";

// Records a statement with no stream (the array creation, randseed's list).
void record_statement(std::int32_t line);

// Records an input/output statement on the stream with this unit number and,
// for a file, its name.
void record_statement(std::int32_t line, std::int32_t unit, std::string_view file_name = {});

// Clears the record once an input/output statement has completed.
void clear_statement();

// Notes the name of a file that could not be opened, for the locus line.
void note_failed_open(std::string_view name);

// The locus line (with its LF) for what is recorded now; empty when nothing is.
std::string locus_text();

// Locus line, traceback line, then every stream closed, then
// "Quendor runtime error: <message>"; exit status 2.
[[noreturn]] void report_runtime_error(std::string_view message);

// report_runtime_error with the system's text for an error code.
[[noreturn]] void report_system_error(int error_code);

// Every stream closed, then locus and traceback lines,
// "Operating system error: <system text>" and "Memory allocation failed";
// status 1.
[[noreturn]] void report_memory_exhaustion(std::string_view system_text);

}  // namespace zemrath
