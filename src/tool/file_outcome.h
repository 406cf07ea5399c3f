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
};

}  // namespace ostrel
