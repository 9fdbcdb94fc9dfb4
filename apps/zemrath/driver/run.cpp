#include "driver/run.hpp"

#include <csignal>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "zemrath/floating_point.hpp"
#include "driver/dialogue.hpp"
#include "driver/seeding.hpp"
#include "textio/end_of_run_wait.hpp"
#include "textio/error_report.hpp"
#include "textio/out_stream.hpp"
#include "textio/record.hpp"
#include "textio/results_file.hpp"

namespace zemrath {

namespace {

constexpr std::int32_t open_line = 34;
constexpr std::int32_t first_header_line = 35;
constexpr std::int32_t create_arrays_line = 40;
constexpr std::int32_t row_zero_line = 46;
constexpr std::int32_t generation_row_line = 51;
constexpr std::int32_t close_line = 53;

constexpr std::string_view bad_seed_message = "ZEMRATH_SEED must be a whole number from 0 to 999\n";

void write_row(out_stream& file, std::int32_t statement_line, const generation_row& row) {
    record_statement(statement_line, file.number, file.file_name);
    record rec = record_begin(file);
    record_add_integer(rec, row.generation);
    record_add_integer(rec, row.embryos);
    record_add_integer(rec, row.larvae);
    record_add_integer(rec, row.adults);
    record_end(rec);
    clear_statement();
}

void open_and_write_header(out_stream& file) {
    record_statement(open_line);
    open_results_file(file);
    clear_statement();
    std::int32_t line = first_header_line;
    for (std::string_view text : results_header) {
        record_statement(line++, file.number, file.file_name);
        write_text_record(file, text);
        clear_statement();
    }
}

// The two age-class arrays, all 0, with the 20 initial recruits waiting.
stream create_arrays(const model_parameters& parameters, std::optional<count_kernel> kernel) {
    record_statement(create_arrays_line);
    try {
        return create_stream(parameters, stream_options{0, kernel, false});
    } catch (const error& failure) {
        report_memory_exhaustion(failure.what());
    }
}

// A generation cannot fail but for memory its adult classes cannot get.
generation_row run_generation(stream& run) {
    try {
        return next_generation(run);
    } catch (const error& failure) {
        report_memory_exhaustion(failure.what());
    }
}

}  // namespace

int run_zemrath() {
    set_model_floating_point();
    attach_console_streams();
    // A closed pipe on standard output must not kill the run: its write
    // failures are not reported, and the results still reach the file. A
    // file-size limit must fail the write (and be reported), not kill the run.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
    const seed_setting seed = read_seed_setting();
    if (!seed.valid) {
        stream_put(message_out(), bad_seed_message);
        return exit_runtime_error;
    }
    std::optional<count_kernel> kernel;
    try {
        kernel = kernel_from_setting(std::getenv(std::string(kernel_variable).c_str()));
    } catch (const error& failure) {
        stream_put(message_out(), std::string(kernel_variable) + ": " + failure.what() + "\n");
        return exit_runtime_error;
    }

    write_console_lines(banner_lines);
    const model_parameters parameters = derive_model_parameters(ask_parameters());

    out_stream file;
    open_and_write_header(file);
    stream run = create_arrays(parameters, kernel);
    randseed(run, seed);

    write_row(file, row_zero_line, first_row(run));
    while (has_next_generation(run)) write_row(file, generation_row_line, run_generation(run));

    record_statement(close_line, file.number, file.file_name);
    close_results_file(file);
    clear_statement();
    write_console_lines(closing_lines);
    end_of_run_wait();
    run = stream{};
    close_streams();
    return 0;
}

}  // namespace zemrath
