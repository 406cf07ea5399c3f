// The files of one run, decided before each is touched: which inputs, which outputs, which cipher,
// and which files are skipped or fail already at planning (no encryption suffix on a file named
// on the command line, a directory without -r, a missing file). Trees are planned one directory
// at a time: the copies of a file (current copy, versions, incomplete transfers) are all in one
// directory, and a run then needs memory for the largest directory, not for the tree.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "names/encoded_name.h"
#include "names/encryption_method.h"
#include "platform/directory_tree.h"
#include "tool/backup/backup_directory.h"
#include "tool/run/batch_options.h"

namespace ostrel {

enum class ItemState { Pending, Skipped, Failed };

struct WorkItem {
  std::string Input;
  std::string Output;  // empty when the output is standard output or there is none (verify)
  EncryptionMethod Method = EncryptionMethod::kNone;
  int64_t Size = 0;  // of the input, when planning could see it
  ItemState State = ItemState::Pending;
  std::string Reason;      // why it was skipped or failed
  std::string SkipReason;  // for skipped items a word a script can test ("version", "excluded")
  // A file found in a tree is opened by its name relative to its directory's open handle.
  DirectoryRef Directory;
  std::string EntryName;
  std::optional<NameTimeStamp> Stamp;  // the time stamp the name carried
  std::optional<uint64_t> PlainSize;   // from the size suffix
  bool Incomplete = false;             // the name marks a transfer that never finished
  // A skipped version that is the newest copy of a file without a current copy: the file exists
  // only as versions, and --versions latest would take this one.
  bool NewestOfOnlyVersions = false;
  bool Archive = false;  // Output is a ".zip" that the name rule appended: an archive of the file
  // The output's directory in two parts: the one the user named (-o, a tree's root, a named
  // file's own directory), whose links are the user's choice, and the "/"-separated path below it
  // that the run walked or mirrors, which is entered without following any link.
  std::string OutputRoot;
  std::string OutputBelowRoot;
  std::optional<uint64_t> PromisedPlainLength = std::nullopt;  // what the name's size suffix says
};

using WorkSink = std::function<void(WorkItem&&)>;

// Runs between listing a directory and entering a subdirectory of it: lets tests change the tree
// at the moment a walk is most exposed to it.
using BeforeEnteringDirectory = std::function<void(const ListedDirectory&, const DirectoryEntry&)>;

// Plans decrypt, encrypt and verify runs and hands each item to sink as soon as its directory is
// planned. The order is that of the paths, each tree in name order.
void CollectWork(const BatchOptions& options, const WorkSink& sink,
                 const BeforeEnteringDirectory& beforeEntering = {});
std::vector<WorkItem> CollectWork(const BatchOptions& options,
                                  const BeforeEnteringDirectory& beforeEntering = {});

}  // namespace ostrel
