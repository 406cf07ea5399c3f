#include "tool/run_report.h"

#include <cstdio>

#include "tool/json_text.h"
#include "tool/standard_output.h"
#include "tool/terminal_text.h"

namespace ostrel {
namespace {

const char* ResultName(OutcomeKind kind) {
  switch (kind) {
    case OutcomeKind::Done:
      return "ok";
    case OutcomeKind::Skipped:
      return "skipped";
    case OutcomeKind::Failed:
      return "failed";
    case OutcomeKind::WouldWrite:
      return "dry-run";
  }
  return "failed";
}

}  // namespace

RunReport::RunReport(const ToolOptions& options, ProgressDisplay& progress)
    : options_(options), progress_(progress), start_(std::chrono::steady_clock::now()) {}

void RunReport::Record(const WorkItem& item, const FileOutcome& outcome) {
  const std::lock_guard lock(mutex_);
  switch (outcome.Kind) {
    case OutcomeKind::Done:
    case OutcomeKind::WouldWrite:
      ++done_;
      bytes_ += outcome.BytesWritten;
      (item.Method == EncryptionMethod::kTripleDes ? doneTripleDes_ : doneRijndael_) += 1;
      break;
    case OutcomeKind::Skipped:
      ++skipped_;
      break;
    case OutcomeKind::Failed:
      ++failed_;
      failedPassphraseCheck_ += outcome.PassphraseCheckFailed ? 1 : 0;
      break;
  }
  progress_.WriteAbove([&] {
    if (outcome.Kind == OutcomeKind::Failed) {
      (void)std::fprintf(stderr, "ostrel: %s: %s\n", EscapeControlCharacters(item.Input).c_str(),
                         EscapeControlCharacters(outcome.Reason).c_str());
      (void)std::fflush(stderr);
    }
    if (options_.Json) {
      WriteJson(item, outcome);
    } else if (outcome.Kind == OutcomeKind::WouldWrite) {
      PrintLine(EscapeControlCharacters(item.Input) + " -> " +
                EscapeControlCharacters(item.Output));
    }
  });
}

int RunReport::ExitStatus() const {
  if (failed_ == 0)
    return 0;
  return failed_ == failedPassphraseCheck_ ? 3 : 1;
}

void RunReport::WriteJson(const WorkItem& item, const FileOutcome& outcome) {
  nlohmann::json object;
  SetJsonName(object, "input", item.Input);
  if (item.Output.empty()) {
    object["output"] = nullptr;
  } else {
    SetJsonName(object, "output", item.Output);
  }
  object["method"] = MethodNumber(item.Method);
  object["bytes"] = outcome.BytesWritten;
  object["result"] = ResultName(outcome.Kind);
  if (!outcome.Reason.empty())
    object["reason"] = outcome.Reason;
  PrintLine(JsonLine(object));
  FlushStandardOutput();
}

void RunReport::PrintSummary(const char* verb) {
  if (options_.Json)
    return;
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  const std::lock_guard lock(mutex_);
  progress_.WriteAbove([&] {
    (void)std::fprintf(
        stderr, "ostrel: %s %lld file%s (%s), skipped %lld, failed %lld, in %.2f s\n", verb,
        static_cast<long long>(done_), done_ == 1 ? "" : "s", HumanSize(bytes_).c_str(),
        static_cast<long long>(skipped_), static_cast<long long>(failed_), seconds);
  });
}

}  // namespace ostrel
