#include "tool/commands/tool_options.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <map>
#include <stdexcept>

#include "platform/file_status.h"
#include "platform/tool_features.h"
#include "tool/backup/path_patterns.h"
#include "tool/commands/command_suggestion.h"

namespace ostrel {
namespace {

constexpr int kStandardInput = 0;

// What this build can do beyond files: the mount needs a file system in user space, --unzip an
// archive library; a build without them says so instead of offering them.
constexpr bool kMountAvailable = OSTREL_WITH_MOUNT != 0;
constexpr bool kArchivesAvailable = OSTREL_WITH_ARCHIVES != 0;

constexpr const char* kDescription =
    kPassphraseDescriptors
        ? "Decrypts and encrypts the .1crypt (Triple-DES) and .2crypt (Rijndael-256) files of the "
          "Ostrel file synchronizer: single files, whole trees and pipes. The pass phrase never "
          "goes on the command line: it is asked for on the terminal, or read from a file, an "
          "environment variable or a file descriptor."
        : "Decrypts and encrypts the .1crypt (Triple-DES) and .2crypt (Rijndael-256) files of the "
          "Ostrel file synchronizer: single files, whole trees and pipes. The pass phrase never "
          "goes on the command line: it is asked for on the console, or read from a file or an "
          "environment variable.";

// An option this build cannot honour stays known, so that using it gets a reason rather than
// "not an option", but out of the help.
CLI::Option* Unoffered(CLI::Option* option, bool available) {
  return available ? option : option->group("");
}

constexpr const char* kExitCodes =
    "Exit status: 0 when every file succeeded, 1 when any file failed, 2 for a usage error.";
constexpr const char* kCheckedExitCodes =
    "Exit status: 0 when every file succeeded; 3 when every failure was a final block that the "
    "pass phrase does not open (a wrong pass phrase, or a damaged file); 1 for other failures; 2 "
    "for a usage error.\n\nThe final block of each file is checked before anything is written: "
    "its tail count and the zero bytes before it. Standard input cannot be checked first: it is "
    "decrypted as it comes, and a final block that fails the check ends the run with status 3, "
    "having written nothing of that block.";

// Help reads as prose: the option's own text says what values it takes.
CLI::Validator Quiet(CLI::Validator validator) {
  validator.description("");
  return validator;
}

// The mount's --versions value by its name.
std::optional<VersionChoice> VersionChoiceNamed(const std::string& name) {
  if (name == "current")
    return VersionChoice::Current;
  if (name == "latest")
    return VersionChoice::Latest;
  if (name == "all")
    return VersionChoice::All;
  return std::nullopt;
}

// The options shared by the commands that need a pass phrase.
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
                  "NAME (such as cp1252) that the encrypting machine used")
      ->type_name("NAME");
}

struct ProgressFlags {
  bool on = false;
  bool off = false;
};

// The options of the commands that work on files in batches.
void AddBatchOptions(CLI::App& command, ToolOptions& options, ProgressFlags& progress) {
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
  command
      .add_option("-j,--jobs", options.Jobs, "work on N files at once (default: one per processor)")
      ->type_name("N")
      ->check(Quiet(CLI::Range(1U, 64U)));
  command.add_flag("--fail-fast", options.FailFast, "stop at the first file that fails");
  command.add_flag("--progress", progress.on, "show a progress line on standard error");
  command.add_flag("--no-progress", progress.off, "show no progress line");
  command.add_flag("--json", options.Json,
                   "print one JSON object per file on standard output instead of the summary");
}

// The options that restore a backup tree as the synchronizer wrote it.
void AddRestoreOptions(CLI::App& command, ToolOptions& options) {
  const std::map<std::string, VersionChoice> versions{{"current", VersionChoice::Current},
                                                      {"latest", VersionChoice::Latest},
                                                      {"all", VersionChoice::All}};
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

void AddMethodOption(CLI::App& command, ToolOptions& options, const char* text) {
  command.add_option("--method", options.Method, text)
      ->type_name("1|2")
      ->check(Quiet(CLI::IsMember({MethodNumber(EncryptionMethod::kTripleDes),
                                   MethodNumber(EncryptionMethod::kRijndael)})));
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

[[noreturn]] void Refuse(const std::string& text) {
  throw std::invalid_argument(text);
}

// Rules that span several options.
void CheckCombinations(const ToolOptions& options) {
  const PassphraseChoice& passphrase = options.Passphrase;
  if (!kPassphraseDescriptors && passphrase.Descriptor)
    Refuse(
        "--passphrase-fd is not available on this platform: use --passphrase-file or "
        "--passphrase-env");
  if (!kArchivesAvailable && options.Unzip)
    Refuse("--unzip is not available in this build: it cannot read archives");
  const int sources = (passphrase.File ? 1 : 0) + (passphrase.EnvironmentVariable ? 1 : 0) +
                      (passphrase.Descriptor ? 1 : 0);
  if (sources > 1)
    Refuse("give at most one of --passphrase-file, --passphrase-env and --passphrase-fd");

  bool readsStandardInput = false;
  for (const std::string& path : options.Paths) {
    if (path == "-")
      readsStandardInput = true;
  }
  if (readsStandardInput) {
    if (options.Paths.size() != 1)
      Refuse("\"-\" (standard input) must be the only PATH");
    if (options.Command == ToolCommand::Decrypt && options.Method == EncryptionMethod::kNone)
      Refuse("decrypting standard input needs --method 1 or --method 2");
    if (options.Command == ToolCommand::Verify && options.Method == EncryptionMethod::kNone)
      Refuse("verifying standard input needs --method 1 or --method 2");
    if (options.Recursive || options.OutputDirectory || options.DryRun)
      Refuse("\"-\" streams standard input to standard output: -r, -o and --dry-run do not apply");
    if (ReadsStandardInput(passphrase))
      Refuse("standard input cannot carry both the pass phrase and the data");
  }
  // An empty name would put the outputs in the working directory, which nobody asked for.
  if (options.OutputDirectory && options.OutputDirectory->empty())
    Refuse("-o needs a directory name");
  if (options.Command == ToolCommand::Encrypt && options.Method == EncryptionMethod::kTripleDes)
    Refuse("encryption always uses method 2 (Rijndael-256)");
  if (options.ToStandardOutput && (options.OutputDirectory || options.DryRun))
    Refuse("-c writes to standard output: -o and --dry-run do not apply");
  if (options.Command == ToolCommand::Key && options.Method == EncryptionMethod::kNone)
    Refuse("key needs --method 1 or --method 2");
  if (options.Force && options.SkipExisting)
    Refuse("--force and --skip-existing exclude each other");
  // Reading every pattern now turns a mistyped one into a usage error before anything runs.
  (void)PathSelection(options.Includes, options.Excludes);
}

}  // namespace

ParsedCommandLine ParseToolCommandLine(int argc, char** argv) {
  ToolOptions options;
  ProgressFlags progress;

  CLI::App app(kDescription, "ostrel");
  app.footer(kExitCodes);
  app.set_version_flag("--version", std::string("ostrel ") + OSTREL_VERSION);
  app.require_subcommand(1);
  app.failure_message([](const CLI::App*, const CLI::Error& error) {
    return "ostrel: " + std::string(error.what()) + "\nRun \"ostrel --help\" for the commands.\n";
  });

  CLI::App* decrypt = app.add_subcommand(
      "decrypt",
      "Decrypt files (or, with -r, the encrypted files of trees) beside themselves or under -o. "
      "The output name is the input's name without the synchronizer's suffixes.");
  decrypt->add_option("PATH", options.Paths, "files or directories; \"-\" for standard input")
      ->required()
      ->type_name("");
  AddBatchOptions(*decrypt, options, progress);
  decrypt->add_flag("-c,--stdout", options.ToStandardOutput,
                    "write the plain text to standard output");
  decrypt->add_flag("--ignore-size", options.IgnoreSize,
                    "decrypt a file even when its plain length is not the one its name's size "
                    "suffix promises");
  AddRestoreOptions(*decrypt, options);
  AddMethodOption(*decrypt, options, "the cipher of standard input: 1 Triple-DES, 2 Rijndael-256");
  AddPassphraseOptions(*decrypt, options.Passphrase);
  decrypt->footer(kCheckedExitCodes);

  CLI::App* encrypt = app.add_subcommand(
      "encrypt",
      "Encrypt files (or, with -r, every file of trees that carries no encryption suffix) into "
      "PATH.2crypt, with Rijndael-256. The pass phrase is asked for twice on the terminal.");
  encrypt->add_option("PATH", options.Paths, "files or directories; \"-\" for standard input")
      ->required()
      ->type_name("");
  AddBatchOptions(*encrypt, options, progress);
  AddMethodOption(*encrypt, options, "2 (the only method that encryption uses)");
  AddPassphraseOptions(*encrypt, options.Passphrase);
  encrypt->footer(kExitCodes);

  CLI::App* names = app.add_subcommand(
      "names",
      "Show what encoded file names decode to: method and cipher, plain name, plain size and "
      "time stamp. Needs no pass phrase and reads no file.");
  names->add_option("PATH", options.Paths, "encoded file names (or, with -r, directories)")
      ->required()
      ->type_name("");
  names->add_flag("-r,--recursive", options.Recursive, "list every file below each directory");
  names->add_flag("--json", options.Json, "print one JSON object per name");

  CLI::App* verify = app.add_subcommand(
      "verify",
      "Check, reading only the last block of each file, whether the pass phrase plausibly opens "
      "it: the tail count and the zero bytes before it, and the plain length that a size suffix "
      "in the name promises. A wrong pass phrase passes one such check by chance about once in "
      "255; files whose final blocks are identical count as one check.");
  verify->add_option("PATH", options.Paths, "files or directories; \"-\" for standard input")
      ->required()
      ->type_name("");
  verify->add_flag("-r,--recursive", options.Recursive,
                   "check every encrypted file below each directory");
  verify
      ->add_option("-j,--jobs", options.Jobs, "check N files at once (default: one per processor)")
      ->type_name("N")
      ->check(Quiet(CLI::Range(1U, 64U)));
  verify->add_flag("--json", options.Json,
                   "print one JSON object per file, then one with the run's summary");
  verify->add_flag("--include-incomplete", options.IncludeIncomplete,
                   "check the incomplete transfers of trees too");
  verify->add_flag("--ignore-size", options.IgnoreSize,
                   "do not compare plain lengths with the names' size suffixes");
  AddMethodOption(*verify, options, "the cipher of standard input: 1 Triple-DES, 2 Rijndael-256");
  AddPassphraseOptions(*verify, options.Passphrase);
  verify->footer(kCheckedExitCodes);

  CLI::App* key = app.add_subcommand(
      "key",
      "Print the key derived from the pass phrase, in hexadecimal, for use with other tools.");
  AddMethodOption(*key, options, "1: the 16-byte Triple-DES key, 2: the 32-byte Rijndael key");
  AddPassphraseOptions(*key, options.Passphrase);

  if (!kMountAvailable && argc > 1 && std::string_view(argv[1]) == "mount") {
    (void)std::fputs("ostrel: mount is not available on this platform\n", stderr);
    return {std::nullopt, 2};
  }
  CLI::App* mount = nullptr;
  std::string mountSource;
  std::string mountPoint;
  std::string versions = "current";
  if (kMountAvailable) {
    mount = app.add_subcommand(
        "mount",
        "Mount the tree below SOURCE at MOUNTPOINT as a read-only file system that shows it "
        "decrypted: encrypted files under their decoded names, with their plain sizes, read by "
        "decrypting only the blocks a read touches. Runs in the background until unmounted with "
        "\"fusermount3 -u MOUNTPOINT\". The final blocks of up to 64 files are checked first: when "
        "none opens, nothing is mounted.");
    mount->add_option("SOURCE", mountSource, "the directory to show")->required();
    mount->add_option("MOUNTPOINT", mountPoint, "the empty directory to show it in")->required();
    mount
        ->add_option("--versions", versions,
                     "which copies to show: current (names without a time stamp), latest (also the "
                     "newest version of a file without a current copy) or all (every version, its "
                     "stamp kept in its name)")
        ->type_name("current|latest|all")
        ->check(CLI::Validator(
            [](const std::string& value) {
              return VersionChoiceNamed(value) ? std::string() : "choose current, latest or all";
            },
            ""));
    mount->add_flag("--show-plain", options.ShowPlain,
                    "also show the files that are not encrypted, as they are");
    mount->add_flag("--include-incomplete", options.IncludeIncomplete,
                    "also show the incomplete transfers (files the synchronizer had not finished "
                    "copying; they may be cut short)");
    mount->add_flag("-f,--foreground", options.Foreground,
                    "stay in the foreground; Ctrl-C unmounts");
    mount->add_flag("-d,--debug", options.Debug,
                    "log every request on standard error (stays in the foreground)");
    mount->add_flag("--allow-other", options.AllowOther,
                    "let other users enter the mount (the source's permission bits still apply)");
    mount->add_flag("--page-cache", options.PageCache,
                    "read through the system's page cache, so that programs may map files "
                    "shared; large files read more slowly");
    AddPassphraseOptions(*mount, options.Passphrase);
    mount->footer(
        "Exit status: 0 after the file system was unmounted; 3 when the pass phrase opens none of "
        "the files tried; 1 when it could not be mounted; 2 for a usage error.");
  }

  if (const std::optional<std::string> mistyped = MistypedCommand(argc, argv, app)) {
    (void)std::fprintf(stderr, "ostrel: %s\n", mistyped->c_str());
    return {std::nullopt, 2};
  }
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    const int code = app.exit(error);
    return {std::nullopt, code == 0 ? 0 : 2};
  }

  if (decrypt->parsed()) {
    options.Command = ToolCommand::Decrypt;
  } else if (encrypt->parsed()) {
    options.Command = ToolCommand::Encrypt;
  } else if (names->parsed()) {
    options.Command = ToolCommand::Names;
  } else if (verify->parsed()) {
    options.Command = ToolCommand::Verify;
  } else if (mount != nullptr && mount->parsed()) {
    options.Command = ToolCommand::Mount;
    options.Paths = {mountSource, mountPoint};
    options.Versions = *VersionChoiceNamed(versions);
  } else {
    options.Command = ToolCommand::Key;
  }
  if (progress.on && progress.off) {
    (void)std::fputs("ostrel: --progress and --no-progress exclude each other\n", stderr);
    return {std::nullopt, 2};
  }
  options.Progress = progress.on    ? ProgressChoice::On
                     : progress.off ? ProgressChoice::Off
                                    : ProgressChoice::Automatic;
  try {
    CheckCombinations(options);
  } catch (const std::invalid_argument& error) {
    (void)std::fprintf(stderr, "ostrel: %s\n", error.what());
    return {std::nullopt, 2};
  }
  return {std::move(options), 0};
}

}  // namespace ostrel
