#include "textio/end_of_run_wait.hpp"

#include "textio/console_input.hpp"
#include "textio/error_report.hpp"
#include "textio/out_stream.hpp"

namespace zemrath {

void end_of_run_wait() {
    stream_put(message_out(), pause_word);
    stream_put(message_out(), pause_prompt);
    input_reader& in = console_in();
    try {
        next_input_line(in);
    } catch (const error& failure) {
        report_runtime_error(failure.what());
    }
    // A last line without its line feed does not end the wait either.
    if (in.end_of_input) report_runtime_error("End of file");
}

}  // namespace zemrath
