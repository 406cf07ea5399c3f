// How one file of a run ended.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

namespace ostrel {

enum class OutcomeKind { Done, Skipped, Failed, WouldWrite };

struct FileOutcome {
  FileOutcome() = default;
  FileOutcome(OutcomeKind kind, std::string reason, int64_t bytes)
      : Kind(kind), Reason(std::move(reason)), BytesWritten(bytes) {}

  OutcomeKind Kind = OutcomeKind::Done;
  std::string Reason;         // for Skipped and Failed; for Done a warning, if any
  int64_t BytesWritten = 0;   // for Done; for WouldWrite the plain size when it is known
  std::string SkipReason;     // for Skipped: a word a script can test ("exists")
  std::string WrittenOutput;  // when not the item's output: the file inside an archive
  bool Unzipped = false;
  std::optional<int64_t> Mtime;  // the modification time the output got
  bool SizeUnknown = false;      // for WouldWrite: BytesWritten is not known
};

}  // namespace ostrel
