// A core dump would write keys and pass phrases into a file that outlives the process and that
// other tools read. Both programs hold keys for most of their run, so they give up core dumps
// from the start.
#pragma once

namespace ostrel {

// Sets the core-size limit to zero and marks the process as not dumpable (which also keeps other
// processes of the same user from reading its memory through the debugging interfaces). Returns
// 0, or the system's error code of the first step that failed.
int PreventCoreDumps() noexcept;

}  // namespace ostrel
