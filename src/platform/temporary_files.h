// The names of temporary outputs, which say who made them: the machine and the process. A later
// run in the same directory removes the ones its own user left behind on this machine when the
// process that made them no longer exists (it was killed by a signal no handler can catch, or
// the machine stopped), and leaves every other one alone: it may still be being written.
#pragma once

#include <string>

namespace ostrel {

// ".ostrel-HOST-PID-RANDOM.tmp": hidden, unlikely to be taken (O_EXCL settles it when it is).
std::string NewTemporaryName();

// Removes, once per directory and run, the stale temporary files described above. Failures are
// not errors: a file that cannot be removed stays as it was.
void RemoveStaleTemporaries(int directory);

}  // namespace ostrel
