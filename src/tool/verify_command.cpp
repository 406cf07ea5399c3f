// ostrel verify: whether the pass phrase plausibly opens each file, from its last block alone.
#include <cstdio>
#include <memory>

#include "tool/batch_run.h"
#include "tool/last_block_check.h"
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

// The chance that every passing file passed although the pass phrase is wrong, as a power of two:
// each Rijndael file halves it four times, each Triple-DES file five times.
void PrintStrength(int64_t rijndael, int64_t tripleDes) {
  const int64_t exponent = 4 * rijndael + 5 * tripleDes;
  (void)std::fprintf(
      stderr,
      "ostrel: with a wrong pass phrase a file passes this check by chance: 1 Rijndael "
      "file in %d, 1 Triple-DES file in %d.\n",
      ChanceDenominator(EncryptionMethod::kRijndael),
      ChanceDenominator(EncryptionMethod::kTripleDes));
  if (exponent > 0) {
    (void)std::fprintf(
        stderr,
        "ostrel: that all %lld passing files passed by chance has a probability of 1 in "
        "2^%lld.\n",
        static_cast<long long>(rijndael) + static_cast<long long>(tripleDes),
        static_cast<long long>(exponent));
  }
}

}  // namespace

int RunVerifyCommand(const ToolOptions& options) {
  if (options.Paths.size() == 1 && options.Paths.front() == "-") {
    const std::unique_ptr<CipherKeys> keys = ObtainKeys(options.Passphrase, false, false);
    if (!keys)
      return 2;
    const FileOutcome outcome =
        VerifyStreaming(options.Method, *keys, kStandardInput, PlanThreads(1, 1).PerFile);
    if (outcome.Kind == OutcomeKind::Failed) {
      (void)std::fprintf(stderr, "ostrel: -: %s\n", outcome.Reason.c_str());
      return 1;
    }
    (void)std::fprintf(stderr, "ostrel: -: the pass phrase plausibly opens it\n");
    PrintStrength(options.Method == EncryptionMethod::kRijndael ? 1 : 0,
                  options.Method == EncryptionMethod::kTripleDes ? 1 : 0);
    return 0;
  }

  const std::vector<WorkItem> items = CollectWork(options);
  bool anyPending = false;
  for (const WorkItem& item : items)
    anyPending = anyPending || item.State == ItemState::Pending;
  std::unique_ptr<CipherKeys> keys;
  if (anyPending) {
    keys = ObtainKeys(options.Passphrase, false, false);
    if (!keys)
      return 2;
  }
  ProgressCounters counters;
  counters.FilesTotal = static_cast<int64_t>(items.size());
  ProgressDisplay progress(counters, false);
  RunReport report(options, progress);
  RunBatch(items, PlanThreads(options.Jobs, items.size()).Jobs, false, report, counters,
           [&](const WorkItem& item) { return CheckLastBlock(item, *keys); });
  if (!options.Json) {
    (void)std::fprintf(
        stderr,
        "ostrel: %lld file%s plausibly opened by the pass phrase, %lld failed, %lld skipped\n",
        static_cast<long long>(report.Done()), report.Done() == 1 ? "" : "s",
        static_cast<long long>(report.Failed()), static_cast<long long>(report.Skipped()));
    PrintStrength(report.DoneWithMethod(EncryptionMethod::kRijndael),
                  report.DoneWithMethod(EncryptionMethod::kTripleDes));
  }
  if (const int error = FinishStandardOutput(); error != 0) {
    (void)std::fprintf(stderr, "ostrel: %s\n", StandardOutputFailureText(error).c_str());
    return 1;
  }
  return report.Failed() > 0 ? 1 : 0;
}

}  // namespace ostrel
