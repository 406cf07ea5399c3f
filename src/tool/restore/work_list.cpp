#include "tool/restore/work_list.h"

#include <unordered_map>

#include "errors/exceptions.h"
#include "names/path_joining.h"
#include "names/request_plan.h"
#include "platform/error_text.h"
#include "platform/file_status.h"
#include "platform/physical_directory.h"
#include "platform/text_conversion.h"
#include "tool/backup/backup_directory.h"
#include "tool/backup/path_patterns.h"

namespace ostrel {
namespace {

constexpr const char* kDecodesToNothingReason = "the name decodes to nothing";

EncryptionMethod MethodOfName(const std::string& path) {
  return EncodedMethod(WidenSystemText(FileNameOf(path)));
}

class WorkCollector {
 public:
  WorkCollector(const BatchOptions& options, const WorkSink& sink,
                const BeforeEnteringDirectory& beforeEntering)
      : options_(options),
        sink_(sink),
        beforeEntering_(beforeEntering),
        selection_(options.Includes, options.Excludes),
        // Below one root, two directories never share an output directory, so a directory's
        // claims can go when it is done; several roots may write into one output tree.
        claimsAcrossDirectories_(options.Paths.size() > 1) {}

  void AddPath(const std::string& path) {
    const FileStatus status = StatusOfPath(path);
    if (status.Kind == FileKind::Missing) {
      Fail(path, SystemErrorText(status.Error));
    } else if (status.Kind == FileKind::Directory) {
      if (options_.Recursive)
        AddTree(path);
      else
        Fail(path, "is a directory (use -r to work on the files below it)");
    } else if (status.Kind != FileKind::Regular) {
      Fail(path, "not a regular file");
    } else {
      // The output goes beside the file that is actually read: ".." after a symbolic link leads
      // where the link points, not where the text rule would take it.
      const std::string real =
          kHostPathStyle == PathStyle::Posix ? ResolveDotDotAfterLinks(path) : path;
      WorkItem item = PlanFile(real, std::string(), status.Size, true);
      item.Input = path;
      if (item.Incomplete && item.State == ItemState::Pending)
        item.Reason = "an incomplete transfer: the file may be cut short";
      ClaimOutput(item, OutputDirectoryKey(ParentOf(item.Output)));
      sink_(std::move(item));
    }
  }

 private:
  // The items of one directory, planned together and handed on in name order.
  struct DirectoryPlan {
    std::unordered_map<std::string, WorkItem> Items;  // by entry name
  };

  void AddTree(const std::string& root) {
    std::vector<DirectoryPlan> plans;  // one per directory on the way down
    TreeVisitor visitor;
    visitor.Listed = [&](const ListedDirectory& listed) { plans.push_back(PlanDirectory(listed)); };
    visitor.Entry = [&](const ListedDirectory& listed, const DirectoryEntry& entry) {
      const auto planned = plans.back().Items.find(entry.Name);
      if (planned != plans.back().Items.end()) {
        sink_(std::move(planned->second));
        plans.back().Items.erase(planned);
        return;
      }
      const std::string path = JoinPath(listed.Directory->Path(), entry.Name);
      Skip(path, "not a regular file", "not-regular");
    };
    visitor.Finished = [&](const ListedDirectory&) {
      plans.pop_back();
      if (!claimsAcrossDirectories_)
        claimed_.clear();
    };
    visitor.Unreadable = [&](const std::string& relative, int error) {
      Fail(JoinPath(root, relative), SystemErrorText(error));
    };
    visitor.BeforeEntering = beforeEntering_;
    WalkTree(root, visitor);
  }

  DirectoryPlan PlanDirectory(const ListedDirectory& listed) {
    if (options_.Command == BatchCommand::Encrypt)
      return PlanEncryptionDirectory(listed);
    DirectoryPlan plan;
    std::vector<ListedName> names;
    names.reserve(listed.Entries.size());
    for (const DirectoryEntry& entry : listed.Entries)
      names.push_back({entry.Name, entry.Kind});
    // A restore chooses among the copies; verify checks every encrypted file on its own.
    const bool restoring = options_.Command == BatchCommand::Decrypt;
    BackupChoices choices;
    choices.Versions = options_.Versions;
    choices.IncludeIncomplete = options_.IncludeIncomplete;
    choices.EveryCopy = !restoring;
    const std::vector<BackupEntry> entries =
        ReadBackupDirectory(names, choices, listed.RelativePath, restoring ? &selection_ : nullptr);
    std::vector<WorkItem*> order;
    for (const BackupEntry& entry : entries) {
      if (entry.Kind == FileKind::Directory)
        continue;
      WorkItem item = PlanEntry(listed, entry);
      WorkItem& placed = plan.Items.emplace(entry.SourceName, std::move(item)).first->second;
      order.push_back(&placed);
    }
    for (std::size_t index = 0; index < entries.size(); ++index)
      RefuseAsTheModelSays(listed, entries, index, plan);
    ClaimOutputs(order);
    return plan;
  }

  // The item of one entry of a backup directory, as the backup model judged it; its refusals by
  // another entry are given their reasons once every output is known.
  WorkItem PlanEntry(const ListedDirectory& listed, const BackupEntry& entry) {
    WorkItem item;
    item.Input = JoinPath(listed.Directory->Path(), entry.SourceName);
    if (entry.Kind != FileKind::Regular) {
      SkipItem(item, entry.Reason, VerdictWord(entry.Verdict));
      return item;
    }
    item.Size = StatusOfEntry(listed.Directory->Handle(), entry.SourceName).Size;
    item.Directory = listed.Directory;
    item.EntryName = entry.SourceName;
    item.Method = entry.Method;
    item.Stamp = entry.Stamp;
    item.PlainSize = entry.PlainSize;
    item.PromisedPlainLength = entry.PromisedPlainLength;
    item.Incomplete = entry.Incomplete;
    item.Archive = entry.Archive;
    item.NewestOfOnlyVersions = entry.NewestOfOnlyVersions;
    item.Reason = entry.Reason;
    if (IsRefused(entry.Verdict)) {
      item.State = ItemState::Failed;
    } else if (!IsTaken(entry.Verdict)) {
      SkipItem(item, entry.Reason, VerdictWord(entry.Verdict));
    }
    if (!entry.Encrypted || entry.PlainName.empty() || options_.Command == BatchCommand::Verify ||
        options_.ToStandardOutput)
      return item;
    try {
      const std::string beside =
          PlanDecryptRequest(item.Input, kHostPathStyle, ArchiveRule::FileName).Plan.OutputPath;
      SetOutput(item,
                FileNameOf(beside) == entry.PlainName ? beside
                                                      : JoinPath(ParentOf(beside), entry.PlainName),
                listed.RelativePath);
    } catch (const Exception& error) {
      item.State = ItemState::Failed;
      item.Reason = error.Message();
    }
    return item;
  }

  // A refusal because of another entry, told in the terms of outputs and inputs.
  void RefuseAsTheModelSays(const ListedDirectory& listed, const std::vector<BackupEntry>& entries,
                            std::size_t index, DirectoryPlan& plan) {
    const BackupEntry& entry = entries[index];
    if (entry.Verdict != EntryVerdict::RefusedSameStamp &&
        entry.Verdict != EntryVerdict::RefusedSharedName)
      return;
    WorkItem& item = plan.Items.at(entry.SourceName);
    const BackupEntry& other = entries[entry.Other];
    const std::string otherInput = JoinPath(listed.Directory->Path(), other.SourceName);
    if (entry.Verdict == EntryVerdict::RefusedSameStamp) {
      item.Reason = "a version with the same time stamp as " + otherInput;
    } else if (item.Output.empty()) {
      item.Reason = entry.Reason;
    } else if (other.Kind == FileKind::Directory) {
      // An output that is a directory of the tree would stand where the walk writes its files.
      item.Reason = "output " + item.Output + " is a directory of the tree";
    } else {
      item.Reason = "output " + item.Output + " is also the output of " + otherInput;
    }
  }

  DirectoryPlan PlanEncryptionDirectory(const ListedDirectory& listed) {
    DirectoryPlan plan;
    std::vector<WorkItem*> order;
    for (const DirectoryEntry& entry : listed.Entries) {
      if (entry.Kind != FileKind::Regular)
        continue;
      const FileStatus status = StatusOfEntry(listed.Directory->Handle(), entry.Name);
      WorkItem item = PlanFile(JoinPath(listed.Directory->Path(), entry.Name), listed.RelativePath,
                               status.Size, false);
      item.Directory = listed.Directory;
      item.EntryName = entry.Name;
      WorkItem& placed = plan.Items.emplace(entry.Name, std::move(item)).first->second;
      order.push_back(&placed);
    }
    ClaimOutputs(order);
    return plan;
  }

  // named: the file was named on the command line, so a name without a cipher is an error for
  // it rather than a file to pass over.
  WorkItem PlanFile(const std::string& path, const std::string& relativeDirectory, int64_t size,
                    bool named) {
    WorkItem item;
    item.Input = path;
    item.Size = size;
    try {
      if (options_.Command == BatchCommand::Encrypt) {
        PlanEncryption(item, relativeDirectory, named);
      } else {
        PlanNamedDecryption(item);
      }
    } catch (const Exception& error) {  // a time stamp naming a day its calendar lacks
      item.State = ItemState::Failed;
      item.Reason = error.Message();
    }
    return item;
  }

  // A file named on the command line: the files of trees are planned by the backup model.
  void PlanNamedDecryption(WorkItem& item) {
    const DecodedFileName decoded = DecodeFileName(WidenSystemText(FileNameOf(item.Input)));
    item.Method = decoded.Method;
    if (!SelectsCipher(decoded.Method)) {
      item.State = ItemState::Failed;
      item.Reason = NoCipherReason(item.Method);
      return;
    }
    if (decoded.PlainName.empty()) {
      item.State = ItemState::Failed;
      item.Reason = kDecodesToNothingReason;
      return;
    }
    // A file named on the command line keeps the archive rule of its whole path.
    const DecryptPlanning planning =
        PlanDecryptRequest(item.Input, kHostPathStyle, ArchiveRule::WholePath);
    item.Stamp = decoded.TimeStamp;
    item.PlainSize = decoded.PlainSize;
    item.PromisedPlainLength = PromisedPlainLength(decoded);
    item.Incomplete = decoded.RemovedMarker == ArchiveMarker::Incomplete;
    item.Archive = planning.Archive;
    if (options_.Command == BatchCommand::Verify || options_.ToStandardOutput)
      return;
    std::string beside = planning.Plan.OutputPath;
    if (options_.Versions == VersionChoice::All && decoded.TimeStamp) {
      // A version keeps its stamp where the encoded name had it, so versions stay apart.
      beside = JoinPath(ParentOf(beside), NarrowSystemText(PlainNameWithTimeStamp(decoded)) +
                                              (item.Archive ? ".zip" : ""));
    }
    SetOutput(item, beside, std::string());
  }

  void PlanEncryption(WorkItem& item, const std::string& relativeDirectory, bool named) {
    item.Method = EncryptionMethod::kRijndael;
    // In a tree, a file that is already encrypted is not encrypted again; a file named on the
    // command line is, as its name asks.
    if (!named) {
      const EncryptionMethod method = MethodOfName(item.Input);
      if (method != EncryptionMethod::kNone) {
        SkipItem(item,
                 "already carries an encryption suffix (method " +
                     std::to_string(MethodNumber(method)) + ")",
                 "encrypted");
        return;
      }
    }
    SetOutput(item, PlanEncryptRequest(item.Input).OutputPath, relativeDirectory);
  }

  // Beside the input, or under the output directory at the input's place in its tree.
  void SetOutput(WorkItem& item, const std::string& besideInput,
                 const std::string& relativeDirectory) {
    if (options_.OutputDirectory) {
      item.OutputRoot = *options_.OutputDirectory;
      item.OutputBelowRoot = relativeDirectory;
      item.Output = JoinPath(JoinPath(item.OutputRoot, relativeDirectory), FileNameOf(besideInput));
      return;
    }
    item.Output = besideInput;
    item.OutputRoot = ParentOf(besideInput);
    const std::string below = "/" + relativeDirectory;
    if (!relativeDirectory.empty() && item.OutputRoot.ends_with(below)) {
      item.OutputRoot.resize(item.OutputRoot.size() - below.size());
      item.OutputBelowRoot = relativeDirectory;
    }
  }

  // Outputs are told apart by the device and inode of their directory and their name, so that
  // two spellings of one directory ("d", "./d", a link to it) are seen to be one. A directory
  // that does not exist yet can only be told by its spelling; the run itself may create it while
  // later paths are planned, so the key it first got stays its key for the whole run: otherwise a
  // claim made before it existed would not meet the same output claimed after.
  std::string OutputDirectoryKey(const std::string& directory) {
    if (claimsAcrossDirectories_) {
      const auto known = directoryKeys_.find(directory);
      if (known != directoryKeys_.end())
        return known->second;
    }
    const FileStatus status = StatusOfPath(directory.empty() ? "." : directory);
    std::string key = status.Kind == FileKind::Directory
                          ? std::to_string(status.Device) + ":" + std::to_string(status.Inode)
                          : "path:" + directory;
    if (claimsAcrossDirectories_)
      directoryKeys_.emplace(directory, key);
    return key;
  }

  // Two inputs of one run must not write the same output: the second would replace the first.
  // The outputs of one listed directory, claimed under the key of the directory they go into.
  void ClaimOutputs(const std::vector<WorkItem*>& order) {
    std::string key;
    for (const WorkItem* item : order) {
      if (!item->Output.empty()) {
        key = OutputDirectoryKey(ParentOf(item->Output));
        break;
      }
    }
    for (WorkItem* item : order)
      ClaimOutput(*item, key);
  }

  void ClaimOutput(WorkItem& item, const std::string& directoryKey) {
    if (item.State != ItemState::Pending || item.Output.empty())
      return;
    std::string name = FileNameOf(item.Output);
    // Unzipped, the archive's file takes the name without ".zip".
    if (options_.Unzip && item.Archive && name.ends_with(".zip"))
      name.resize(name.size() - 4);
    const auto [claim, fresh] = claimed_.emplace(directoryKey + "/" + name, item.Input);
    if (!fresh) {
      item.State = ItemState::Failed;
      item.Reason = "output " + item.Output + " is also the output of " + claim->second;
    }
  }

  void SkipItem(WorkItem& item, std::string reason, const char* word) {
    item.State = ItemState::Skipped;
    if (!reason.empty())
      item.Reason = std::move(reason);
    item.SkipReason = word;
  }

  void Fail(const std::string& path, std::string reason) {
    WorkItem item;
    item.Input = path;
    item.State = ItemState::Failed;
    item.Reason = std::move(reason);
    sink_(std::move(item));
  }
  void Skip(const std::string& path, std::string reason, const char* word) {
    WorkItem item;
    item.Input = path;
    SkipItem(item, std::move(reason), word);
    sink_(std::move(item));
  }

  const BatchOptions& options_;
  const WorkSink& sink_;
  const BeforeEnteringDirectory& beforeEntering_;
  PathSelection selection_;
  bool claimsAcrossDirectories_;
  std::unordered_map<std::string, std::string> claimed_;
  // The key each output directory got when first planned, by its spelling; kept only while
  // claims are (see OutputDirectoryKey).
  std::unordered_map<std::string, std::string> directoryKeys_;
};

}  // namespace

void CollectWork(const BatchOptions& options, const WorkSink& sink,
                 const BeforeEnteringDirectory& beforeEntering) {
  WorkCollector collector(options, sink, beforeEntering);
  for (const std::string& path : options.Paths)
    collector.AddPath(path);
}

std::vector<WorkItem> CollectWork(const BatchOptions& options,
                                  const BeforeEnteringDirectory& beforeEntering) {
  std::vector<WorkItem> items;
  CollectWork(
      options, [&](WorkItem&& item) { items.push_back(std::move(item)); }, beforeEntering);
  return items;
}

}  // namespace ostrel
