#include "platform/standard_streams.h"

namespace ostrel {

void UseBinaryStandardStreams() noexcept {}

void ShowStandardTextOnConsole() noexcept {}

}  // namespace ostrel
