#include "tool/run/standard_output.h"

#include <atomic>
#include <cerrno>
#include <cstdio>

#include "platform/error_codes.h"
#include "platform/error_text.h"

namespace ostrel {
namespace {

std::atomic<int> firstFailure{0};

void Remember(int error) {
  int none = 0;
  firstFailure.compare_exchange_strong(none, error == 0 ? kErrorWriteFailed : error);
}

}  // namespace

void PrintLine(std::string_view text) {
  errno = 0;
  if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() ||
      std::fputc('\n', stdout) == EOF)
    Remember(errno);
}

void FlushStandardOutput() {
  errno = 0;
  if (std::fflush(stdout) != 0)
    Remember(errno);
}

int FinishStandardOutput() {
  FlushStandardOutput();
  if (std::ferror(stdout) != 0)
    Remember(kErrorWriteFailed);
  return firstFailure.load();
}

std::string StandardOutputFailureText(int error) {
  return "cannot write standard output: " + SystemErrorText(error);
}

}  // namespace ostrel
