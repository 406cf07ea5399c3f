// The reports a run prints on standard output (names, the dry-run plan, JSON objects): every
// write and the final flush are checked, so that a full disk or a closed pipe behind standard
// output is a failure of the run, never a silent success.
#pragma once

#include <string>
#include <string_view>

namespace ostrel {

// Writes text and a line end to standard output; a failure is kept for FinishStandardOutput.
// Safe to call from several threads.
void PrintLine(std::string_view text);

// Flushes standard output now (a report line that a reader waits for); a failure is kept.
void FlushStandardOutput();

// Flushes standard output. Returns 0, or the system's error code of the first write or flush that
// failed; the caller reports it with StandardOutputFailureText and exits with status 1.
int FinishStandardOutput();
std::string StandardOutputFailureText(int error);

}  // namespace ostrel
