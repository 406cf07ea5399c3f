// What a run over files (decrypt, encrypt, verify) was asked to do: its paths, where outputs go,
// how the batch runs and what a restore takes from a backup. The commands fill it from the
// command line; planning, outputs and the report read it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "names/encryption_method.h"
#include "tool/backup/version_selection.h"
#include "tool/keys/passphrase_choice.h"

namespace ostrel {

enum class BatchCommand { Decrypt, Encrypt, Verify };

enum class ProgressChoice { Automatic, On, Off };

struct BatchOptions {
  BatchCommand Command = BatchCommand::Decrypt;
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
};

}  // namespace ostrel
