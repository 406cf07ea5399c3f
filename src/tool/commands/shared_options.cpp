#include "tool/commands/shared_options.h"

#include <CLI/CLI.hpp>

#include <map>
#include <stdexcept>

#include "platform/file_status.h"
#include "platform/tool_features.h"
#include "tool/backup/path_patterns.h"
#include "tool/mount/shown_directory.h"

namespace ostrel {
namespace {

constexpr int kStandardInput = 0;

// What this build can do beyond files: --unzip needs an archive library; a build without one
// says so instead of offering it.
constexpr bool kArchivesAvailable = OSTREL_WITH_ARCHIVES != 0;

// Help reads as prose: the option's own text says what values it takes.
CLI::Validator Quiet(CLI::Validator validator) {
  validator.description("");
  return validator;
}

// Whether the pass phrase source is standard input under another name.
bool ReadsStandardInput(const PassphraseChoice& passphrase) {
  if (passphrase.Descriptor && *passphrase.Descriptor == kStandardInput)
    return true;
  if (!passphrase.File)
    return false;
  const std::string& file = *passphrase.File;
  if (file == "-" || file == "/dev/stdin" || file == "/dev/fd/0" || file == "/proc/self/fd/0")
    return true;
  // A name for the very pipe or file that standard input is.
  const FileStatus input = StatusOfHandle(kStandardInput);
  return input.Error == 0 && StatusOfPath(file).IsSameFileAs(input);
}

}  // namespace

CLI::Option* Unoffered(CLI::Option* option, bool available) {
  return available ? option : option->group("");
}

void AddPathsArgument(CLI::App& command, std::vector<std::string>& paths, const char* text) {
  command.add_option("PATH", paths, text)->required()->type_name("");
}

void AddPassphraseOptions(CLI::App& command, PassphraseChoice& choice) {
  command
      .add_option("--passphrase-file", choice.File,
                  "read the pass phrase from the first line of FILE (\"-\": standard input)")
      ->type_name("FILE");
  command
      .add_option("--passphrase-env", choice.EnvironmentVariable,
                  "take the pass phrase from the environment variable VAR")
      ->type_name("VAR");
  Unoffered(command
                .add_option("--passphrase-fd", choice.Descriptor,
                            "read the pass phrase from the first line of file descriptor N")
                ->type_name("N")
                ->check(Quiet(CLI::NonNegativeNumber)),
            kPassphraseDescriptors);
  command
      .add_option("--codepage", choice.CodePage,
                  "convert the pass phrase from this system's encoding to the 8-bit code page "
                  "NAME (such as cp1252) that the encrypting machine used; auto: the common code "
                  "page that opens the files tried (not when encrypting)")
      ->type_name("NAME");
}

void AddJobsOption(CLI::App& command, unsigned& jobs, const char* text) {
  command.add_option("-j,--jobs", jobs, text)->type_name("N")->check(Quiet(CLI::Range(1U, 64U)));
}

void AddBatchOptions(CLI::App& command, BatchOptions& options, ProgressFlags& progress) {
  command.add_flag("-r,--recursive", options.Recursive, "work on every file below each directory");
  command
      .add_option("-o,--output-dir", options.OutputDirectory,
                  "write the outputs under DIR, mirroring the tree below each PATH")
      ->type_name("DIR");
  command.add_flag("-f,--force", options.Force, "replace existing output files");
  command.add_flag("--skip-existing", options.SkipExisting,
                   "leave outputs that exist alone and count them (for runs that resume)");
  command.add_flag("-p,--preserve", options.Preserve,
                   "give each output its input's permission bits (and, when encrypting, its "
                   "modification time)");
  command.add_flag("--dry-run", options.DryRun, "print what would be written; write nothing");
  command.add_flag("--no-sync", options.NoSync,
                   "do not wait for each output to reach the disk before reporting it done");
  AddJobsOption(command, options.Jobs, "work on N files at once (default: one per processor)");
  command.add_flag("--fail-fast", options.FailFast, "stop at the first file that fails");
  command.add_flag("--progress", progress.On, "show a progress line on standard error");
  command.add_flag("--no-progress", progress.Off, "show no progress line");
  command.add_flag("--json", options.Json,
                   "print one JSON object per file on standard output instead of the summary");
}

const std::map<std::string, VersionChoice>& VersionChoicesByName() {
  static const std::map<std::string, VersionChoice> kByName{{"current", VersionChoice::Current},
                                                            {"latest", VersionChoice::Latest},
                                                            {"all", VersionChoice::All}};
  return kByName;
}

void AddRestoreOptions(CLI::App& command, BatchOptions& options) {
  const std::map<std::string, VersionChoice>& versions = VersionChoicesByName();
  command
      .add_option("--versions", options.Versions,
                  "which copies of a file to restore: current (the copy without a time stamp, "
                  "the default), latest (the current copy, else the newest version) or all "
                  "(versions under their names with the stamp kept)")
      ->type_name("WHICH")
      ->transform(Quiet(CLI::CheckedTransformer(versions)));
  command.add_flag("--no-times", options.NoTimes,
                   "leave outputs the time of writing instead of the time of the name's stamp "
                   "or of the encrypted file");
  command.add_flag("--stamp-utc", options.StampUtc,
                   "read the time stamps in names as UTC rather than local time");
  Unoffered(command.add_flag("--unzip", options.Unzip,
                             "extract the one file of each archive the synchronizer made, "
                             "instead of writing NAME.zip"),
            kArchivesAvailable);
  command.add_flag("--include-incomplete", options.IncludeIncomplete,
                   "restore the incomplete transfers of trees too (with a warning)");
  command
      .add_option("--include", options.Includes,
                  "restore only outputs whose path below its tree matches PATTERN (repeatable; "
                  "\"*\", \"?\", \"[...]\", \"**\" for any directories)")
      ->type_name("PATTERN")
      ->allow_extra_args(false);
  command
      .add_option("--exclude", options.Excludes,
                  "restore no output whose path below its tree matches PATTERN (repeatable; "
                  "wins over --include)")
      ->type_name("PATTERN")
      ->allow_extra_args(false);
}

void AddShowOptions(CLI::App& command, ShowSettings& settings) {
  // The value by its name only, turned into the choice's number, which is what the option reads.
  const CLI::Validator named(
      [](std::string& value) {
        const auto found = VersionChoicesByName().find(value);
        if (found == VersionChoicesByName().end())
          return std::string("choose current, latest or all");
        value = std::to_string(static_cast<int>(found->second));
        return std::string();
      },
      "");
  command
      .add_option("--versions", settings.Versions,
                  "which copies to show: current (names without a time stamp), latest (also "
                  "the newest version of a file without a current copy) or all (every version, "
                  "its stamp kept in its name)")
      ->type_name("current|latest|all")
      ->transform(named);
  command.add_flag("--show-plain", settings.ShowPlain,
                   "also show the files that are not encrypted, as they are");
  command.add_flag("--include-incomplete", settings.IncludeIncomplete,
                   "also show the incomplete transfers (files the synchronizer had not finished "
                   "copying; they may be cut short)");
}

void AddMethodOption(CLI::App& command, EncryptionMethod& method, const char* text) {
  command.add_option("--method", method, text)
      ->type_name("1|2")
      ->check(Quiet(CLI::IsMember({MethodNumber(EncryptionMethod::kTripleDes),
                                   MethodNumber(EncryptionMethod::kRijndael)})));
}

void RefuseUsage(const std::string& reason) {
  throw std::invalid_argument(reason);
}

ProgressChoice ChooseProgress(const ProgressFlags& progress) {
  if (progress.On && progress.Off)
    RefuseUsage("--progress and --no-progress exclude each other");
  return progress.On    ? ProgressChoice::On
         : progress.Off ? ProgressChoice::Off
                        : ProgressChoice::Automatic;
}

void CheckPassphraseChoice(const PassphraseChoice& choice) {
  if (!kPassphraseDescriptors && choice.Descriptor)
    RefuseUsage(
        "--passphrase-fd is not available on this platform: use --passphrase-file or "
        "--passphrase-env");
  const int sources =
      (choice.File ? 1 : 0) + (choice.EnvironmentVariable ? 1 : 0) + (choice.Descriptor ? 1 : 0);
  if (sources > 1)
    RefuseUsage("give at most one of --passphrase-file, --passphrase-env and --passphrase-fd");
}

void CheckStandardInputUse(const BatchOptions& options) {
  bool readsStandardInput = false;
  for (const std::string& path : options.Paths) {
    if (path == "-")
      readsStandardInput = true;
  }
  if (!readsStandardInput)
    return;
  if (options.Paths.size() != 1)
    RefuseUsage("\"-\" (standard input) must be the only PATH");
  if (options.Command == BatchCommand::Decrypt && options.Method == EncryptionMethod::kNone)
    RefuseUsage("decrypting standard input needs --method 1 or --method 2");
  if (options.Command == BatchCommand::Verify && options.Method == EncryptionMethod::kNone)
    RefuseUsage("verifying standard input needs --method 1 or --method 2");
  if (options.Recursive || options.OutputDirectory || options.DryRun)
    RefuseUsage(
        "\"-\" streams standard input to standard output: -r, -o and --dry-run do not apply");
  if (ReadsStandardInput(options.Passphrase))
    RefuseUsage("standard input cannot carry both the pass phrase and the data");
}

void CheckRestoreOptions(const BatchOptions& options) {
  if (!kArchivesAvailable && options.Unzip)
    RefuseUsage("--unzip is not available in this build: it cannot read archives");
  // Reading every pattern now turns a mistyped one into a usage error before anything runs.
  (void)PathSelection(options.Includes, options.Excludes);
}

void CheckBatchOptions(const BatchOptions& options) {
  // An empty name would put the outputs in the working directory, which nobody asked for.
  if (options.OutputDirectory && options.OutputDirectory->empty())
    RefuseUsage("-o needs a directory name");
  if (options.Force && options.SkipExisting)
    RefuseUsage("--force and --skip-existing exclude each other");
}

}  // namespace ostrel
