// ostrel decrypt and ostrel encrypt: files, trees and standard input.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

#include "platform/file_status.h"
#include "platform/terminal_input.h"
#include "tool/commands/shared_options.h"
#include "tool/commands/tool_commands.h"
#include "tool/keys/checked_passphrase.h"
#include "tool/keys/passphrase_input.h"
#include "tool/keys/passphrase_judgement.h"
#include "tool/restore/file_transform.h"
#include "tool/restore/output_directories.h"
#include "tool/restore/pipe_transform.h"
#include "tool/restore/work_list.h"
#include "tool/run/batch_run.h"
#include "tool/run/progress_display.h"
#include "tool/run/run_report.h"
#include "tool/run/standard_output.h"
#include "tool/run/thread_budget.h"

namespace ostrel {
namespace {

constexpr int kStandardInput = 0;
constexpr int kStandardOutput = 1;
constexpr int kStandardError = 2;

bool ShowsProgress(const BatchOptions& options) {
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

int RunStandardInput(const BatchOptions& options) {
  const bool encrypt = options.Command == BatchCommand::Encrypt;
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

constexpr const char* kEncryptExitCodes =
    "Exit status: 0 when every file succeeded, 1 when any file failed, 2 for a usage error.";
// Made on use: a string built at start-up could throw before main.
std::string DecryptExitCodes() {
  return std::string(
             "Exit status: 0 when every file succeeded; 1 when any file failed, damaged files "
             "among them; 3 when the pass phrase was judged wrong and nothing was written; 2 "
             "for a usage error.\n\n") +
         kJudgementRule + " " + kJudgementChance +
         "\n\nA final block opens when its tail count lies within the block and the bytes before "
         "it "
         "are zero. Standard input cannot be checked first: it is decrypted as it comes, and a "
         "final "
         "block that fails the check ends the run with status 3, having written nothing of that "
         "block.";
}

// Ends planning early when no pass phrase could be had.
class NoPassphrase : public std::exception {};

// The files the pass phrase is judged on, from a walk of its own ahead of the run: the run plans
// and writes as it walks, and the judgement must come before the first write. The walk lists the
// directories once more, which costs little beside decrypting their files.
std::vector<WorkItem> SampleOfRun(const BatchOptions& options) {
  JudgementSample sample;
  CollectWork(options, [&](WorkItem&& item) {
    if (item.State == ItemState::Pending)
      sample.Offer(item);
  });
  return sample.Take();
}

class DecryptCommandLine : public ToolCommand {
 public:
  DecryptCommandLine() { options_.Command = BatchCommand::Decrypt; }

  CLI::App& AddTo(CLI::App& tool) override {
    CLI::App& command = *tool.add_subcommand(
        "decrypt",
        "Decrypt files (or, with -r, the encrypted files of trees) beside themselves or under -o. "
        "The output name is the input's name without the synchronizer's suffixes.");
    AddPathsArgument(command, options_.Paths, "files or directories; \"-\" for standard input");
    AddBatchOptions(command, options_, progress_);
    command.add_flag("-c,--stdout", options_.ToStandardOutput,
                     "write the plain text to standard output");
    command.add_flag("--in-place", inPlace_,
                     "with -r and without -o: write the plain files beside the encrypted ones, "
                     "inside the tree");
    command.add_flag("--ignore-size", options_.IgnoreSize,
                     "decrypt a file even when its plain length is not the one its name's size "
                     "suffix promises");
    AddRestoreOptions(command, options_);
    AddMethodOption(command, options_.Method,
                    "the cipher of standard input: 1 Triple-DES, 2 Rijndael-256");
    AddPassphraseOptions(command, options_.Passphrase);
    command.footer(DecryptExitCodes());
    return command;
  }

  void CheckUsage() override {
    options_.Progress = ChooseProgress(progress_);
    CheckPassphraseChoice(options_.Passphrase);
    CheckRestoreOptions(options_);
    CheckStandardInputUse(options_);
    CheckBatchOptions(options_);
    if (options_.ToStandardOutput && (options_.OutputDirectory || options_.DryRun))
      RefuseUsage("-c writes to standard output: -o and --dry-run do not apply");
    if (inPlace_ && options_.OutputDirectory)
      RefuseUsage("--in-place and -o exclude each other");
    // A backup tree is usually a folder the synchronizer watches: plain files written into it may
    // be uploaded unencrypted. Single files and runs that write nothing there need no such care.
    const bool writesIntoTrees = options_.Recursive && !options_.OutputDirectory &&
                                 !options_.ToStandardOutput && !options_.DryRun;
    if (writesIntoTrees && !inPlace_)
      RefuseUsage(
          "decrypt -r without -o would write the plain files beside the encrypted ones, into the "
          "backup folder, where the synchronizer may upload them unencrypted: give -o DIR for the "
          "restored files, or --in-place to write them there all the same");
  }

  int Run() override { return RunTransform(options_); }

 private:
  BatchOptions options_;
  ProgressFlags progress_;
  bool inPlace_ = false;
};

class EncryptCommandLine : public ToolCommand {
 public:
  EncryptCommandLine() { options_.Command = BatchCommand::Encrypt; }

  CLI::App& AddTo(CLI::App& tool) override {
    CLI::App& command = *tool.add_subcommand(
        "encrypt",
        "Encrypt files (or, with -r, every file of trees that carries no encryption suffix) into "
        "PATH.2crypt, with Rijndael-256. The pass phrase is asked for twice on the terminal.");
    AddPathsArgument(command, options_.Paths, "files or directories; \"-\" for standard input");
    AddBatchOptions(command, options_, progress_);
    AddMethodOption(command, options_.Method, "2 (the only method that encryption uses)");
    AddPassphraseOptions(command, options_.Passphrase);
    command.footer(kEncryptExitCodes);
    return command;
  }

  void CheckUsage() override {
    options_.Progress = ChooseProgress(progress_);
    CheckPassphraseChoice(options_.Passphrase);
    CheckStandardInputUse(options_);
    CheckBatchOptions(options_);
    if (options_.Method == EncryptionMethod::kTripleDes)
      RefuseUsage("encryption always uses method 2 (Rijndael-256)");
  }

  int Run() override { return RunTransform(options_); }

 private:
  BatchOptions options_;
  ProgressFlags progress_;
};

}  // namespace

std::unique_ptr<ToolCommand> DecryptCommand() {
  return std::make_unique<DecryptCommandLine>();
}

std::unique_ptr<ToolCommand> EncryptCommand() {
  return std::make_unique<EncryptCommandLine>();
}

int RunTransform(const BatchOptions& options, const BeforeEnteringDirectory& beforeEntering) {
  if (options.Paths.size() == 1 && options.Paths.front() == "-")
    return RunStandardInput(options);
  const bool encrypt = options.Command == BatchCommand::Encrypt;
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
  // Decrypting, the pass phrase is judged before the run starts, and not asked for at all when
  // no file needs it.
  if (!encrypt && (!options.DryRun || keysForDryRun)) {
    const std::vector<WorkItem> sample = SampleOfRun(options);
    if (!sample.empty()) {
      CheckedKeys checked = ObtainCheckedKeys(options.Passphrase, sample);
      if (!checked.Keys)
        return checked.ExitStatus;
      keys = std::move(checked.Keys);
    }
  }
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
    CollectWork(
        options,
        [&](WorkItem&& item) {
          const bool needsKeys =
              item.State == ItemState::Pending && !keys && (!options.DryRun || keysForDryRun);
          if (needsKeys) {
            if (encrypt) {
              keys = ObtainKeys(options.Passphrase, true, true);
            } else {
              // A file that turned up after the sample's walk found none: judged on itself.
              CheckedKeys checked = ObtainCheckedKeys(options.Passphrase, {item});
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
        },
        beforeEntering);
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
