#include "tool/run/run_report.h"

#include <cstdio>

#include "names/human_size.h"
#include "platform/text_conversion.h"
#include "tool/backup/output_times.h"
#include "tool/run/json_text.h"
#include "tool/run/standard_output.h"
#include "tool/run/terminal_text.h"

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

RunReport::RunReport(const BatchOptions& options, ProgressDisplay& progress)
    : options_(options), progress_(progress), start_(std::chrono::steady_clock::now()) {}

void RunReport::Record(const WorkItem& item, const FileOutcome& outcome) {
  const std::lock_guard lock(mutex_);
  switch (outcome.Kind) {
    case OutcomeKind::Done:
    case OutcomeKind::WouldWrite:
      ++done_;
      bytes_ += outcome.BytesWritten;
      sizesUnknown_ += outcome.SizeUnknown ? 1 : 0;
      (item.Method == EncryptionMethod::kTripleDes ? doneTripleDes_ : doneRijndael_) += 1;
      if (options_.Command == BatchCommand::Decrypt && item.Archive && !options_.Unzip)
        ++archivesKept_;
      break;
    case OutcomeKind::Skipped:
      ++skipped_;
      versionsSkipped_ += outcome.SkipReason == "version" && !item.NewestOfOnlyVersions ? 1 : 0;
      onlyAsVersions_ += outcome.SkipReason == "version" && item.NewestOfOnlyVersions ? 1 : 0;
      incompleteSkipped_ += outcome.SkipReason == "incomplete" ? 1 : 0;
      existingSkipped_ += outcome.SkipReason == "exists" ? 1 : 0;
      break;
    case OutcomeKind::Failed:
      ++failed_;
      existingRefused_ += outcome.OutputExists ? 1 : 0;
      break;
  }
  progress_.WriteAbove([&] {
    // Lines on standard output must be whole before a line goes to standard error: both may go
    // to one file.
    if (outcome.Kind == OutcomeKind::Failed ||
        (outcome.Kind == OutcomeKind::Done && !outcome.Reason.empty()))
      FlushStandardOutput();
    if (outcome.Kind == OutcomeKind::Failed) {
      (void)std::fprintf(stderr, "ostrel: %s: %s\n", EscapeControlCharacters(item.Input).c_str(),
                         EscapeControlCharacters(outcome.Reason).c_str());
      (void)std::fflush(stderr);
    } else if (outcome.Kind == OutcomeKind::Done && !outcome.Reason.empty()) {
      (void)std::fprintf(stderr, "ostrel: %s: warning: %s\n",
                         EscapeControlCharacters(item.Input).c_str(),
                         EscapeControlCharacters(outcome.Reason).c_str());
      (void)std::fflush(stderr);
    }
    if (options_.Json) {
      WriteJson(item, outcome);
    } else if (outcome.Kind == OutcomeKind::WouldWrite) {
      const std::string& output =
          outcome.WrittenOutput.empty() ? item.Output : outcome.WrittenOutput;
      const std::string size = outcome.SizeUnknown
                                   ? std::string("size unknown without the pass phrase")
                                   : std::to_string(outcome.BytesWritten) + " bytes";
      PrintLine(EscapeControlCharacters(item.Input) + " -> " + EscapeControlCharacters(output) +
                " (" + size + ")");
    }
  });
}

int RunReport::ExitStatus() const {
  // Status 3 is the judgement of the pass phrase alone, made before the run; a file whose final
  // block does not open after it is a damaged file like any other failure.
  return failed_ == 0 ? 0 : 1;
}

void RunReport::WriteJson(const WorkItem& item, const FileOutcome& outcome) {
  nlohmann::json object;
  SetJsonName(object, "input", item.Input);
  const std::string& output = outcome.WrittenOutput.empty() ? item.Output : outcome.WrittenOutput;
  if (output.empty()) {
    object["output"] = nullptr;
  } else {
    SetJsonName(object, "output", output);
  }
  if (SelectsCipher(item.Method)) {
    object["method"] = MethodNumber(item.Method);
  } else {
    object["method"] = nullptr;
  }
  if (outcome.SizeUnknown) {
    object["bytes"] = nullptr;
  } else {
    object["bytes"] = outcome.BytesWritten;
  }
  object["result"] = ResultName(outcome.Kind);
  if (!outcome.Reason.empty())
    object["reason"] = outcome.Reason;
  if (outcome.SkipReason.empty()) {
    object["skipped_reason"] = nullptr;
  } else {
    object["skipped_reason"] = outcome.SkipReason;
  }
  if (item.Stamp) {
    object["version_stamp"] = NarrowSystemText(item.Stamp->Text);
  } else {
    object["version_stamp"] = nullptr;
  }
  if (outcome.Mtime) {
    object["mtime"] = UtcText(*outcome.Mtime);
  } else {
    object["mtime"] = nullptr;
  }
  object["unzipped"] = outcome.Unzipped;
  object["incomplete"] = item.Incomplete;
  PrintLine(JsonLine(object));
  FlushStandardOutput();
}

void RunReport::PrintHints() {
  const auto hint = [](int64_t count, const char* one, const char* many, const char* advice) {
    if (count > 0) {
      (void)std::fprintf(stderr, "ostrel: %lld %s; %s\n", static_cast<long long>(count),
                         count == 1 ? one : many, advice);
    }
  };
  hint(onlyAsVersions_, "file exists only as versions and was skipped",
       "files exist only as versions and were skipped",
       "--versions latest restores the newest version of each, --versions all every version");
  hint(versionsSkipped_, "earlier version skipped", "earlier versions skipped",
       "--versions all restores them");
  hint(incompleteSkipped_, "incomplete transfer skipped", "incomplete transfers skipped",
       "--include-incomplete restores them");
  hint(existingRefused_, "output exists already", "outputs exist already",
       "--skip-existing leaves them alone (to resume a run), --force replaces them");
  hint(existingSkipped_, "existing output left alone", "existing outputs left alone",
       "--force replaces them");
  hint(archivesKept_, "output is an archive the synchronizer made",
       "outputs are archives the synchronizer made", "--unzip restores the files inside");
}

std::string RunReport::SizeText() const {
  if (sizesUnknown_ == 0)
    return HumanSize(bytes_);
  if (sizesUnknown_ == done_)
    return sizesUnknown_ == 1 ? "size unknown" : "sizes unknown";
  return HumanSize(bytes_) + " and " + std::to_string(sizesUnknown_) + " of unknown size";
}

void RunReport::PrintSummary(const char* verb) {
  if (options_.Json)
    return;
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  const std::lock_guard lock(mutex_);
  progress_.WriteAbove([&] {
    FlushStandardOutput();
    (void)std::fprintf(stderr,
                       "ostrel: %s %lld file%s (%s), skipped %lld, failed %lld, in %.2f s\n", verb,
                       static_cast<long long>(done_), done_ == 1 ? "" : "s", SizeText().c_str(),
                       static_cast<long long>(skipped_), static_cast<long long>(failed_), seconds);
    PrintHints();
  });
}

}  // namespace ostrel
