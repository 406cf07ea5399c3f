#include "platform/standard_streams.h"

#include <fcntl.h>
#include <io.h>

#include <cstdio>

namespace ostrel {

void UseBinaryStandardStreams() noexcept {
  // Text mode would turn "\n" into "\r\n" on output and stop reading input at a Ctrl-Z byte.
  (void)::_setmode(::_fileno(stdin), _O_BINARY);
  (void)::_setmode(::_fileno(stdout), _O_BINARY);
}

}  // namespace ostrel
