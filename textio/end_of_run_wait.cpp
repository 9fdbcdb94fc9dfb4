#include "textio/end_of_run_wait.hpp"

#include "textio/error_report.hpp"
#include "textio/number_entry.hpp"
#include "textio/out_stream.hpp"

namespace zemrath {

void end_of_run_wait() {
    stream_put(message_out(), pause_word);
    stream_put(message_out(), pause_prompt);
    input_reader& in = console_in();
    const answer_outcome outcome = next_input_line(in);
    // A last line without its line feed does not end the wait either.
    if (outcome.kind == answer_outcome::failure) report_runtime_error(outcome.message);
    if (in.end_of_input) report_runtime_error("End of file");
}

}  // namespace zemrath
