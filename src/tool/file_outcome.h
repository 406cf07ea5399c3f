// How one file of a run ended.
#pragma once

#include <cstdint>
#include <string>

namespace ostrel {

enum class OutcomeKind { Done, Skipped, Failed, WouldWrite };

struct FileOutcome {
  OutcomeKind Kind = OutcomeKind::Done;
  std::string Reason;        // for Skipped and Failed
  int64_t BytesWritten = 0;  // for Done
  // Failed because the final block did not open under the pass phrase: a wrong pass phrase, or a
  // damaged end. A run whose every failure is this one says so by its exit status.
  bool PassphraseCheckFailed = false;
};

}  // namespace ostrel
