// The system's log, where a program that has gone into the background (its standard error then
// leads nowhere) says what it left out and what failed.
#pragma once

#include <string_view>

namespace ostrel {

// Lines written after this carry the program's name and process id.
void OpenSystemLog();
// One line, as a notice.
void WriteSystemLog(std::string_view line);

}  // namespace ostrel
