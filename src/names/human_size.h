// How an amount of bytes is shown to people, the same way by every program and window: binary
// units, so that a figure agrees with what file managers and the shell's tools show.
#pragma once

#include <cstdint>
#include <string>

namespace ostrel {

// "512 B", "1.5 MiB": whole bytes below 1 KiB, else binary units with one decimal.
std::string HumanSize(int64_t bytes);

}  // namespace ostrel
