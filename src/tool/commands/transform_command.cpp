// ostrel decrypt and ostrel encrypt: files, trees and standard input.
#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

#include "platform/file_status.h"
#include "platform/terminal_input.h"
#include "tool/run/batch_run.h"
#include "tool/keys/checked_passphrase.h"
#include "tool/restore/file_transform.h"
#include "tool/restore/output_directories.h"
#include "tool/keys/passphrase_input.h"
#include "tool/restore/pipe_transform.h"
#include "tool/run/progress_display.h"
#include "tool/run/run_report.h"
#include "tool/run/standard_output.h"
#include "tool/run/thread_budget.h"
#include "tool/commands/tool_commands.h"
#include "tool/restore/work_list.h"

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

// Ends planning early when no pass phrase could be had.
class NoPassphrase : public std::exception {};

}  // namespace

int RunTransformCommand(const ToolOptions& options) {
  if (options.Paths.size() == 1 && options.Paths.front() == "-")
    return RunStandardInput(options);
  const bool encrypt = options.Command == ToolCommand::Encrypt;
  // A dry run asks for nothing, but uses a pass phrase given by file, variable or descriptor to
  // tell the plain sizes.
  const bool keysForDryRun = options.DryRun && !encrypt &&
                             (options.Passphrase.File || options.Passphrase.EnvironmentVariable ||
                              options.Passphrase.Descriptor);

  // Planning runs while the files are worked on. The pass phrase is asked for when the first file
  // that needs it turns up (never when none does), before the progress line starts; the items
  // planned until then wait, as long as there are not too many of them.
  std::unique_ptr<CipherKeys> keys;
  int keysFailure = 2;
  std::vector<WorkItem> waiting;
  ProgressCounters counters;
  std::optional<ProgressDisplay> progress;
  std::optional<RunReport> report;
  std::optional<BatchRun> batch;
  const ThreadBudget budget =
      PlanThreads(options.ToStandardOutput ? 1U : options.Jobs,
                  options.Recursive ? std::size_t{1} << 20 : options.Paths.size());
  OutputDirectories directories(options.OutputDirectory.has_value(), !options.NoSync);
  const auto start = [&](bool showProgress) {
    progress.emplace(counters, showProgress && ShowsProgress(options) && !options.DryRun);
    report.emplace(options, *progress);
    // Plain text on standard output must come out in the order of the files.
    batch.emplace(options.ToStandardOutput ? 1U : budget.Jobs, options.FailFast, *report, counters,
                  [&](const WorkItem& item) {
                    counters.SetWorkingOn(item.Input);
                    if (options.DryRun)
                      return PlanOnly(item, options, keys.get());
                    return TransformFile(item, options, *keys, directories, budget.PerFile,
                                         counters.BytesDone);
                  });
    for (WorkItem& item : waiting)
      batch->Push(std::move(item));
    waiting.clear();
  };
  try {
    CollectWork(options, [&](WorkItem&& item) {
      const bool needsKeys =
          item.State == ItemState::Pending && !keys && (!options.DryRun || keysForDryRun);
      if (needsKeys) {
        if (encrypt) {
          keys = ObtainKeys(options.Passphrase, true, true);
        } else {
          // Tried on this first file before anything is written; asked for again when typed.
          CheckedKeys checked = ObtainCheckedKeys(options, {item});
          keys = std::move(checked.Keys);
          keysFailure = checked.ExitStatus;
        }
        if (!keys)
          throw NoPassphrase();
      }
      if (!batch && (item.State == ItemState::Pending || waiting.size() >= BatchRun::kWindow))
        start(item.State == ItemState::Pending);
      if (batch) {
        batch->Push(std::move(item));
      } else {
        waiting.push_back(std::move(item));
      }
    });
  } catch (const NoPassphrase&) {
    // Planning stops: the run cannot go on without a pass phrase.
    if (batch)
      batch->Finish();
    return keysFailure;
  }
  if (!batch)
    start(false);
  batch->Finish();
  progress->Stop();
  report->PrintSummary(options.DryRun ? "would write" : encrypt ? "encrypted" : "decrypted");
  if (const int error = FinishStandardOutput(); error != 0) {
    (void)std::fprintf(stderr, "ostrel: %s\n", StandardOutputFailureText(error).c_str());
    return 1;
  }
  return report->ExitStatus();
}

}  // namespace ostrel
