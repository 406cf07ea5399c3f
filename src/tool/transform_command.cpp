// ostrel decrypt and ostrel encrypt: files, trees and standard input.
#include <algorithm>
#include <cstdio>
#include <memory>

#include "platform/file_status.h"
#include "platform/terminal_input.h"
#include "tool/batch_run.h"
#include "tool/checked_passphrase.h"
#include "tool/file_transform.h"
#include "tool/passphrase_input.h"
#include "tool/pipe_transform.h"
#include "tool/progress_display.h"
#include "tool/run_report.h"
#include "tool/standard_output.h"
#include "tool/thread_budget.h"
#include "tool/tool_commands.h"
#include "tool/work_list.h"

namespace ostrel {
namespace {

constexpr int kStandardInput = 0;
constexpr int kStandardOutput = 1;
constexpr int kStandardError = 2;

bool ShowsProgress(const ToolOptions& options) {
  switch (options.Progress) {
    case ProgressChoice::On:
      return true;
    case ProgressChoice::Off:
      return false;
    case ProgressChoice::Automatic:
      break;
  }
  return IsTerminal(kStandardError);
}

int RunStandardInput(const ToolOptions& options) {
  const bool encrypt = options.Command == ToolCommand::Encrypt;
  // Cipher text on a terminal is noise at best and control sequences at worst.
  if (encrypt && IsTerminal(kStandardOutput)) {
    (void)std::fputs(
        "ostrel: standard output is a terminal: redirect the cipher text to a file or a pipe\n",
        stderr);
    return 2;
  }
  const std::unique_ptr<CipherKeys> keys = ObtainKeys(options.Passphrase, encrypt, encrypt);
  if (!keys)
    return 2;
  const EncryptionMethod method = encrypt ? EncryptionMethod::kRijndael : options.Method;
  const StreamSchedule schedule = PlanThreads(1, 1).PerFile;
  const FileOutcome outcome =
      encrypt ? EncryptStreaming(method, *keys, kStandardInput, kStandardOutput, schedule)
              : DecryptStreaming(method, *keys, kStandardInput, kStandardOutput, schedule);
  if (outcome.Kind == OutcomeKind::Failed) {
    (void)std::fprintf(stderr, "ostrel: -: %s\n", outcome.Reason.c_str());
    return outcome.PassphraseCheckFailed ? 3 : 1;
  }
  return 0;
}

}  // namespace

int RunTransformCommand(const ToolOptions& options) {
  if (options.Paths.size() == 1 && options.Paths.front() == "-")
    return RunStandardInput(options);

  const bool encrypt = options.Command == ToolCommand::Encrypt;
  const std::vector<WorkItem> items = CollectWork(options);
  ProgressCounters counters;
  bool anyPending = false;
  for (const WorkItem& item : items) {
    if (item.State != ItemState::Pending)
      continue;
    anyPending = true;
    counters.BytesTotal += item.Size;
  }
  counters.FilesTotal = static_cast<int64_t>(items.size());
  const std::size_t pending =
      static_cast<std::size_t>(std::count_if(items.begin(), items.end(), [](const WorkItem& item) {
        return item.State == ItemState::Pending;
      }));

  // No pass phrase is asked for when there is nothing to open, nor for a dry run.
  std::unique_ptr<CipherKeys> keys;
  if (anyPending && !options.DryRun) {
    if (encrypt) {
      keys = ObtainKeys(options.Passphrase, true, true);
      if (!keys)
        return 2;
    } else {
      CheckedKeys checked = ObtainCheckedKeys(options, items);
      if (!checked.Keys)
        return checked.ExitStatus;
      keys = std::move(checked.Keys);
    }
  }

  ProgressDisplay progress(counters, ShowsProgress(options) && !options.DryRun);
  RunReport report(options, progress);
  // Plain text on standard output must come out in the order of the files.
  const ThreadBudget budget = PlanThreads(options.ToStandardOutput ? 1U : options.Jobs, pending);
  RunBatch(items, budget.Jobs, options.FailFast, report, counters, [&](const WorkItem& item) {
    if (options.DryRun)
      return PlanOnly(item, options);
    return TransformFile(item, options, *keys, budget.PerFile, counters.BytesDone);
  });
  progress.Stop();
  report.PrintSummary(options.DryRun ? "would write" : encrypt ? "encrypted" : "decrypted");
  if (const int error = FinishStandardOutput(); error != 0) {
    (void)std::fprintf(stderr, "ostrel: %s\n", StandardOutputFailureText(error).c_str());
    return 1;
  }
  return report.ExitStatus();
}

}  // namespace ostrel
