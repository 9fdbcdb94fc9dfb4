// Interruption by SIGINT, SIGTERM or SIGHUP, turned into an orderly stop.
//
// A tool that writes result files must not leave half of them behind when a
// user presses Ctrl-C or a scheduler ends the job. Once catch_interruptions
// has run, the first such signal only records itself; long work asks
// interrupted() at safe points (between streams, between pieces of a file),
// stops there, removes what it had started, and the tool then ends with the
// usual status for that signal. While nothing of the results exists yet, a
// second signal ends the process at once. SIGXFSZ is ignored, so that a
// file-size limit shows as a failed write that the tool reports.
#pragma once

namespace zemrath::results {

void catch_interruptions();

// Whether a signal has arrived, and which (0 for none).
bool interrupted();
int interruption_signal();

// 128 + the signal: 130 for SIGINT, 143 for SIGTERM, 129 for SIGHUP.
int interruption_status();

// From now on the tool has files of its own to clean up: a second signal is
// recorded like the first instead of ending the process.
void hold_second_interruption();

// Signals are held back while a set of files is put in place, so that the
// swap is never cut in two; they are delivered when the object goes.
class interruptions_deferred {
public:
    interruptions_deferred();
    ~interruptions_deferred();
    interruptions_deferred(const interruptions_deferred&) = delete;
    interruptions_deferred& operator=(const interruptions_deferred&) = delete;
};

}  // namespace zemrath::results
