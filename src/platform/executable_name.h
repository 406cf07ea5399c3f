// The running program's file name, without directory, for error texts and the dialog's title.
#pragma once

#include <string>
#include <string_view>

namespace ostrel {

// The name of the executable file the process runs; the last component of argv0 when the system
// cannot say.
std::string ExecutableFileName(std::string_view argv0);

}  // namespace ostrel
