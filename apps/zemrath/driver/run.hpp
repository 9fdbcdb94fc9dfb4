// The run from start to exit: banner, dialogue, results file, generations,
// closing lines, end-of-run wait. Returns the exit status of a normal end;
// failures end the process from inside with their report.
#pragma once

namespace zemrath {

int run_zemrath();

}  // namespace zemrath
