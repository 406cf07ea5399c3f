// ostrel verify: whether the pass phrase plausibly opens each file, from its final block alone.
#include <CLI/CLI.hpp>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <memory>

#include "tool/commands/shared_options.h"
#include "tool/commands/tool_commands.h"
#include "tool/keys/check_strength.h"
#include "tool/keys/checked_passphrase.h"
#include "tool/keys/passphrase_input.h"
#include "tool/restore/final_block_check.h"
#include "tool/restore/pipe_transform.h"
#include "tool/restore/work_list.h"
#include "tool/run/batch_run.h"
#include "tool/run/json_text.h"
#include "tool/run/progress_display.h"
#include "tool/run/run_report.h"
#include "tool/run/standard_output.h"
#include "tool/run/thread_budget.h"

namespace ostrel {
namespace {

constexpr int kStandardInput = 0;

// Made on use: a string built at start-up could throw before main.
std::string VerifyExitCodes() {
  return std::string(
             "Three verdicts: the pass phrase is wrong (status 3); files are damaged, each "
             "listed (status 1, as for any file that cannot be checked); all good (status 0). "
             "Status 2 is a usage error.\n\n") +
         "The pass phrase is judged first, on the final blocks of up to 64 files spread over the "
         "run: "
         "one that opens fewer than half of those whose final block can be read is wrong, and no "
         "file "
         "is checked further; otherwise the files it does not open are damaged. " +
         kJudgementChance +
         "\n\nOnly the final block of each file is read: its tail count, the zero bytes before it, "
         "and the plain length that a size suffix in the name promises; a change anywhere else in "
         "a "
         "file cannot be detected. Nothing is written.";
}

void PrintStrength(const CheckStrength& strength) {
  (void)std::fprintf(stderr,
                     "ostrel: a wrong pass phrase passes the check of one final block by chance "
                     "about once in %.0f.\n",
                     1 / WrongKeyPassChance(EncryptionMethod::kRijndael));
  const int64_t checks = strength.DistinctChecks();
  if (checks == 0)
    return;
  (void)std::fprintf(
      stderr,
      "ostrel: the passing files make %lld distinct check%s (%lld Triple-DES, %lld Rijndael; "
      "identical final blocks count once); a wrong pass phrase passes all of them with a "
      "probability of 1 in 2^%.1f.\n",
      static_cast<long long>(checks), checks == 1 ? "" : "s",
      static_cast<long long>(strength.DistinctChecks(EncryptionMethod::kTripleDes)),
      static_cast<long long>(strength.DistinctChecks(EncryptionMethod::kRijndael)),
      -strength.ChanceLog2());
}

// Only the final block is read: what the format can say, and no more.
constexpr const char* kWhatWasRead =
    "ostrel: only the final block of each file was read; this format has no check value, so "
    "changes elsewhere in a file cannot be detected\n";

void PrintVerdict(const RunReport& report, int64_t damaged) {
  const int64_t otherFailures = report.Failed() - damaged;
  if (report.Failed() == 0) {
    (void)std::fprintf(stderr, "ostrel: all good: the pass phrase opens all %lld file%s checked",
                       static_cast<long long>(report.Done()), report.Done() == 1 ? "" : "s");
  } else {
    (void)std::fprintf(stderr, "ostrel: the pass phrase opens %lld file%s",
                       static_cast<long long>(report.Done()), report.Done() == 1 ? "" : "s");
    if (damaged > 0)
      (void)std::fprintf(stderr, "; %lld damaged", static_cast<long long>(damaged));
    if (otherFailures > 0)
      (void)std::fprintf(stderr, "; %lld could not be checked",
                         static_cast<long long>(otherFailures));
    (void)std::fputs(" (each listed above)", stderr);
  }
  (void)std::fprintf(stderr, "; %lld skipped\n", static_cast<long long>(report.Skipped()));
  (void)std::fputs(kWhatWasRead, stderr);
}

void PrintJsonSummary(const RunReport& report, const CheckStrength& strength, int64_t damaged) {
  nlohmann::json summary;
  summary["passed"] = report.Done();
  summary["failed"] = report.Failed();
  summary["damaged"] = damaged;
  summary["skipped"] = report.Skipped();
  summary["distinct_checks"] = strength.DistinctChecks();
  summary["distinct_checks_triple_des"] = strength.DistinctChecks(EncryptionMethod::kTripleDes);
  summary["distinct_checks_rijndael"] = strength.DistinctChecks(EncryptionMethod::kRijndael);
  summary["chance_log2"] = strength.ChanceLog2();
  nlohmann::json line;
  line["summary"] = summary;
  PrintLine(JsonLine(line));
}

int VerifyStandardInput(const BatchOptions& options) {
  const std::unique_ptr<CipherKeys> keys = ObtainKeys(options.Passphrase, false, false);
  if (!keys)
    return 2;
  const FileOutcome outcome =
      VerifyStreaming(options.Method, *keys, kStandardInput, PlanThreads(1, 1).PerFile);
  if (outcome.Kind == OutcomeKind::Failed) {
    (void)std::fprintf(stderr, "ostrel: -: %s\n", outcome.Reason.c_str());
    return outcome.PassphraseCheckFailed ? 3 : 1;
  }
  (void)std::fprintf(stderr, "ostrel: -: the pass phrase plausibly opens it\n");
  (void)std::fputs(kWhatWasRead, stderr);
  CheckStrength strength;
  strength.AddPassed(options.Method, std::string());
  PrintStrength(strength);
  return 0;
}

int RunVerify(const BatchOptions& options) {
  if (options.Paths.size() == 1 && options.Paths.front() == "-")
    return VerifyStandardInput(options);

  const std::vector<WorkItem> items = CollectWork(options);
  CheckedKeys checked;
  if (AnyPending(items)) {
    checked = ObtainCheckedKeys(options.Passphrase, SampleOfPending(items), "checked further");
    if (!checked.Keys)
      return checked.ExitStatus;
  }
  const CipherKeys* const keys = checked.Keys.get();
  ProgressCounters counters;
  counters.FilesTotal = static_cast<int64_t>(items.size());
  ProgressDisplay progress(counters, false);
  RunReport report(options, progress);
  CheckStrength strength;
  std::atomic<int64_t> damaged = 0;
  RunBatch(items, PlanThreads(options.Jobs, items.size()).Jobs, false, report, counters,
           [&](const WorkItem& item) {
             std::string finalBlock;
             FileOutcome outcome =
                 CheckFinalBlockOfFile(item, *keys, !options.IgnoreSize, &finalBlock);
             if (outcome.Kind == OutcomeKind::Done)
               strength.AddPassed(item.Method, finalBlock);
             if (outcome.PassphraseCheckFailed)
               ++damaged;
             return outcome;
           });
  if (options.Json) {
    PrintJsonSummary(report, strength, damaged);
  } else {
    FlushStandardOutput();  // the lines before the summary stay whole in a shared file
    PrintVerdict(report, damaged);
    PrintStrength(strength);
  }
  if (const int error = FinishStandardOutput(); error != 0) {
    (void)std::fprintf(stderr, "ostrel: %s\n", StandardOutputFailureText(error).c_str());
    return 1;
  }
  return report.ExitStatus();
}

class VerifyCommandLine : public ToolCommand {
 public:
  VerifyCommandLine() { options_.Command = BatchCommand::Verify; }

  CLI::App& AddTo(CLI::App& tool) override {
    CLI::App& command = *tool.add_subcommand(
        "verify",
        "Check, reading only the last block of each file, whether the pass phrase opens it: the "
        "tail count and the zero bytes before it, and the plain length that a size suffix in the "
        "name promises. Files whose final blocks are identical count as one check.");
    AddPathsArgument(command, options_.Paths, "files or directories; \"-\" for standard input");
    command.add_flag("-r,--recursive", options_.Recursive,
                     "check every encrypted file below each directory");
    AddJobsOption(command, options_.Jobs, "check N files at once (default: one per processor)");
    command.add_flag("--json", options_.Json,
                     "print one JSON object per file, then one with the run's summary");
    command.add_flag("--include-incomplete", options_.IncludeIncomplete,
                     "check the incomplete transfers of trees too");
    command.add_flag("--ignore-size", options_.IgnoreSize,
                     "do not compare plain lengths with the names' size suffixes");
    AddMethodOption(command, options_.Method,
                    "the cipher of standard input: 1 Triple-DES, 2 Rijndael-256");
    AddPassphraseOptions(command, options_.Passphrase);
    command.footer(VerifyExitCodes());
    return command;
  }

  void CheckUsage() override {
    CheckPassphraseChoice(options_.Passphrase);
    CheckStandardInputUse(options_);
  }

  int Run() override { return RunVerify(options_); }

 private:
  BatchOptions options_;
};

}  // namespace

std::unique_ptr<ToolCommand> VerifyCommand() {
  return std::make_unique<VerifyCommandLine>();
}

}  // namespace ostrel
