// The options that several commands share, written once: where the pass phrase comes from, how a
// batch of files runs, what a restore takes from a backup, the cipher of standard input; and the
// usage rules that go with them.
#pragma once

#include <map>
#include <string>

#include "tool/keys/passphrase_choice.h"
#include "tool/run/batch_options.h"

namespace CLI {
class App;
class Option;
}  // namespace CLI

namespace ostrel {

struct ShowSettings;

// An option this build cannot honour stays known, so that using it gets a reason rather than
// "not an option", but out of the help.
CLI::Option* Unoffered(CLI::Option* option, bool available);

// The PATH arguments of a command; help says what they may be.
void AddPathsArgument(CLI::App& command, std::vector<std::string>& paths, const char* text);

void AddPassphraseOptions(CLI::App& command, PassphraseChoice& choice);

// --progress and --no-progress, read into a ProgressChoice by ChooseProgress.
struct ProgressFlags {
  bool On = false;
  bool Off = false;
};

// The options of the commands that write files in batches (decrypt, encrypt).
void AddBatchOptions(CLI::App& command, BatchOptions& options, ProgressFlags& progress);

// --jobs: how many files are worked on at once. text names what each job does.
void AddJobsOption(CLI::App& command, unsigned& jobs, const char* text);

// The options that restore a backup tree as the synchronizer wrote it.
void AddRestoreOptions(CLI::App& command, BatchOptions& options);

// The options that choose what a tree shown decrypted holds (mount, serve): which copies of a
// file, plain files, incomplete transfers.
void AddShowOptions(CLI::App& command, ShowSettings& settings);

// The values of --versions by their names, for every command that chooses copies.
const std::map<std::string, VersionChoice>& VersionChoicesByName();

void AddMethodOption(CLI::App& command, EncryptionMethod& method, const char* text);

// A usage error: throws std::invalid_argument with the reason.
[[noreturn]] void RefuseUsage(const std::string& reason);

ProgressChoice ChooseProgress(const ProgressFlags& progress);

// At most one source, and only sources this system offers.
void CheckPassphraseChoice(const PassphraseChoice& choice);

// "-" (standard input) as a PATH: alone, with a method to decrypt or verify, without the options
// of trees, and not also the pass phrase's source.
void CheckStandardInputUse(const BatchOptions& options);

// The rules of the restore options: what this build offers, patterns that parse.
void CheckRestoreOptions(const BatchOptions& options);

// The rules of the batch options themselves.
void CheckBatchOptions(const BatchOptions& options);

}  // namespace ostrel
