// What the command line asked for, after parsing: the command, its paths and its options.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "names/encryption_method.h"
#include "platform/directory_tree.h"
#include "tool/backup/version_selection.h"

namespace ostrel {

enum class ToolCommand { Decrypt, Encrypt, Names, Verify, Key, Mount };

enum class ProgressChoice { Automatic, On, Off };

struct PassphraseChoice {
  std::optional<std::string> File;  // "-": standard input
  std::optional<std::string> EnvironmentVariable;
  std::optional<int> Descriptor;
  std::optional<std::string> CodePage;
};

struct ToolOptions {
  ToolCommand Command = ToolCommand::Decrypt;
  std::vector<std::string> Paths;
  bool Recursive = false;
  std::optional<std::string> OutputDirectory;
  bool Force = false;
  bool Preserve = false;
  bool DryRun = false;
  bool NoSync = false;            // outputs are renamed into place without waiting for the disk
  bool ToStandardOutput = false;  // -c
  unsigned Jobs = 0;              // 0: one per processor
  bool FailFast = false;
  ProgressChoice Progress = ProgressChoice::Automatic;
  bool Json = false;
  EncryptionMethod Method = EncryptionMethod::kNone;  // --method; kNone when not given
  bool IgnoreSize = false;  // --ignore-size: no check against the name's size suffix
  PassphraseChoice Passphrase;
  // Restoring a backup (decrypt).
  VersionChoice Versions = VersionChoice::Current;
  bool StampUtc = false;  // stamps name UTC rather than local time
  bool NoTimes = false;   // outputs keep the time of writing
  bool Unzip = false;     // archives the synchronizer made give back the file inside
  bool IncludeIncomplete = false;
  bool SkipExisting = false;
  std::vector<std::string> Includes;
  std::vector<std::string> Excludes;
  // Tests only: runs between listing a directory and entering a subdirectory of it.
  std::function<void(const ListedDirectory&, const DirectoryEntry&)> BeforeEnteringDirectory;
  // mount: Paths holds SOURCE and MOUNTPOINT; Versions as for decrypt.
  bool ShowPlain = false;
  bool Foreground = false;
  bool Debug = false;
  bool AllowOther = false;
  bool PageCache = false;
};

// The outcome of parsing: options to run, or an exit code (0 after --help or --version, 2 for a
// usage error, whose message has been printed).
struct ParsedCommandLine {
  std::optional<ToolOptions> Options;
  int ExitCode = 0;
};

ParsedCommandLine ParseToolCommandLine(int argc, char** argv);

}  // namespace ostrel
