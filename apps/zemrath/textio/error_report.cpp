#include "textio/error_report.hpp"

#include <cstdlib>
#include <cstring>

#include "textio/out_stream.hpp"

namespace zemrath {

namespace {

struct statement_record {
    std::int32_t line = 0;
    std::int32_t unit = 0;        // 0: no current stream
    std::string file_name;        // empty: a console stream
    std::string failed_open_name;
};

statement_record current;

void write_message(std::string_view text) { stream_put(message_out(), text); }

std::string system_text(int error_code) {
    const char* text = std::strerror(error_code);
    return text != nullptr ? text : "Unknown error " + std::to_string(error_code);
}

void write_locus() {
    write_message(locus_text());
    write_message(traceback_line);
    write_message("\n");
}

}  // namespace

void record_statement(std::int32_t line) { current = statement_record{line, 0, {}, {}}; }

void record_statement(std::int32_t line, std::int32_t unit, std::string_view file_name) {
    current = statement_record{line, unit, std::string(file_name), {}};
}

void clear_statement() { current = statement_record{}; }

void note_failed_open(std::string_view name) { current.failed_open_name = name; }

std::string locus_text() {
    if (current.line == 0) return {};
    std::string text = "At line ";
    text += std::to_string(current.line);
    text += " of file ";
    text += program_source_name;
    if (current.unit != 0) {
        text += " (Unit ";
        text += std::to_string(current.unit);
        if (!current.file_name.empty()) {
            text += " \"";
            text += current.file_name;
            text += '"';
        }
        text += ')';
    } else if (!current.failed_open_name.empty()) {
        text += " file: \"";
        text += current.failed_open_name;
        text += '"';
    }
    text += '\n';
    return text;
}

void report_runtime_error(std::string_view message) {
    write_locus();
    close_streams();
    write_message("Quendor runtime error: ");
    write_message(message);
    write_message("\n");
    std::_Exit(exit_runtime_error);
}

void report_system_error(int error_code) { report_runtime_error(system_text(error_code)); }

void report_memory_exhaustion(std::string_view system_text) {
    close_streams();
    write_locus();
    write_message("Operating system error: " + std::string(system_text) + "\n");
    write_message("Memory allocation failed");
    write_message("\n");
    std::_Exit(exit_memory_exhaustion);
}

}  // namespace zemrath
