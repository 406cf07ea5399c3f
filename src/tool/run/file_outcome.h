// How one file of a run ended.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>

namespace ostrel {

class SafeOutput;

enum class OutcomeKind { Done, Skipped, Failed, WouldWrite };

struct FileOutcome {
  FileOutcome() = default;
  FileOutcome(OutcomeKind kind, std::string reason, int64_t bytes,
              bool passphraseCheckFailed = false)
      : Kind(kind),
        Reason(std::move(reason)),
        BytesWritten(bytes),
        PassphraseCheckFailed(passphraseCheckFailed) {}

  OutcomeKind Kind = OutcomeKind::Done;
  std::string Reason;         // for Skipped and Failed; for Done a warning, if any
  int64_t BytesWritten = 0;   // for Done; for WouldWrite the plain size when it is known
  std::string SkipReason;     // for Skipped: a word a script can test ("exists")
  std::string WrittenOutput;  // when not the item's output: the file inside an archive
  bool Unzipped = false;
  std::optional<int64_t> Mtime;  // the modification time the output got
  bool SizeUnknown = false;      // for WouldWrite: BytesWritten is not known
  // Failed because the final block did not open under the pass phrase: a wrong pass phrase, or a
  // damaged end. A run whose every failure is this one says so by its exit status.
  bool PassphraseCheckFailed = false;
  // Failed because the output exists and may not be replaced.
  bool OutputExists = false;
  // For Done: the output, written and sealed, when it still has to reach the disk and get its
  // name. The run commits it together with others, on a thread that waits for the disk while
  // the next files are worked on, and reports the file only then.
  std::shared_ptr<SafeOutput> PendingOutput;
};

}  // namespace ostrel
