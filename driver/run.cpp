#include "driver/run.hpp"

#include <cfenv>
#include <csignal>
#include <string_view>

#if defined(__x86_64__) || defined(__i386__)
#include <fpu_control.h>
#endif

#include "driver/dialogue.hpp"
#include "driver/population.hpp"
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

void create_arrays(population& state, const parameter_set& parameters) {
    record_statement(create_arrays_line);
    if (!create_age_classes(state, parameters)) report_memory_exhaustion("Memory allocation failed");
}

}  // namespace

void set_floating_point_environment() {
    std::fesetround(FE_TONEAREST);
#if defined(__x86_64__) || defined(__i386__)
    fpu_control_t control = _FPU_DEFAULT;  // extended precision, nearest, all masked
    _FPU_SETCW(control);
#endif
}

int run_zemrath() {
    set_floating_point_environment();
    attach_console_streams();
    // A closed pipe on standard output must not kill the run: its write
    // failures are not reported, and the results still reach the file. A
    // file-size limit must fail the write (and be reported), not kill the run.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
    if (!choose_seed_millisecond().valid) {
        stream_put(message_out(), bad_seed_message);
        return exit_runtime_error;
    }

    write_console_lines(banner_lines);
    parameter_set parameters = ask_parameters();
    halve_carrying_capacity(parameters);
    population state;
    state.recruits = initial_recruits;

    out_stream file;
    open_and_write_header(file);
    create_arrays(state, parameters);
    rand_state rng;
    randseed(rng);
    state.competition_coefficient = competition_coefficient_of(parameters);
    // Both arrays come zero-filled from create_age_classes.

    write_row(file, row_zero_line, initial_row(state));
    const std::int32_t generations = parameters.generations;
    for (std::int32_t generation = 1; generation <= generations; ++generation) {
        write_row(file, generation_row_line, advance_generation(state, parameters, generation, rng));
        if (generation == generations) break;  // never step past 2147483647
    }

    record_statement(close_line, file.number, file.file_name);
    close_results_file(file);
    clear_statement();
    write_console_lines(closing_lines);
    end_of_run_wait();
    state = population{};
    close_streams();
    return 0;
}

}  // namespace zemrath
