#include "tool/work_list.h"

#include <unordered_map>

#include "errors/exceptions.h"
#include "names/path_joining.h"
#include "names/request_plan.h"
#include "platform/directory_walk.h"
#include "platform/error_text.h"
#include "platform/file_status.h"
#include "platform/text_conversion.h"

namespace ostrel {
namespace {

EncryptionMethod MethodOfName(const std::string& path) {
  return EncodedMethod(WidenSystemText(FileNameOf(path)));
}

class WorkCollector {
 public:
  explicit WorkCollector(const ToolOptions& options) : options_(options) {}

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
      AddFile(path, std::string(), status.Size, true);
    }
  }

  std::vector<WorkItem> Take() { return std::move(items_); }

 private:
  void AddTree(const std::string& root) {
    WalkDirectoryTree(root, [&](const TreeEntry& entry) {
      const std::string path = JoinPath(root, entry.RelativePath);
      if (entry.Error != 0) {
        Fail(path, SystemErrorText(entry.Error));
      } else if (entry.Kind != FileKind::Regular) {
        Skip(path, "not a regular file");
      } else {
        AddFile(path, ParentOf(entry.RelativePath), StatusOfPath(path).Size, false);
      }
    });
  }

  // named: the file was named on the command line, so a name without a cipher is an error for
  // it rather than a file to pass over.
  void AddFile(const std::string& path, const std::string& relativeDirectory, int64_t size,
               bool named) {
    WorkItem item{path,          std::string(),      EncryptionMethod::kNone,
                  size,          ItemState::Pending, std::string(),
                  std::string(), std::string()};
    try {
      if (options_.Command == ToolCommand::Encrypt) {
        PlanEncryption(item, relativeDirectory, named);
      } else {
        PlanDecryption(item, relativeDirectory, named);
      }
    } catch (const Exception& error) {  // a time stamp naming a day its month lacks
      item.State = ItemState::Failed;
      item.Reason = error.Message();
    }
    ClaimOutput(item);
    items_.push_back(std::move(item));
  }

  void PlanDecryption(WorkItem& item, const std::string& relativeDirectory, bool named) {
    const DecryptPlanning planning = PlanDecryptRequest(item.Input, kHostPathStyle);
    item.Method = planning.Plan.Method;
    if (planning.Outcome != DecryptOutcome::Run) {
      item.State = named ? ItemState::Failed : ItemState::Skipped;
      item.Reason = NoCipherReason(item.Method);
      return;
    }
    item.PromisedPlainLength = PromisedPlainLength(planning.Name);
    if (options_.Command == ToolCommand::Verify || options_.ToStandardOutput)
      return;
    SetOutput(item, planning.Plan.OutputPath, relativeDirectory);
  }

  void PlanEncryption(WorkItem& item, const std::string& relativeDirectory, bool named) {
    item.Method = EncryptionMethod::kRijndael;
    // In a tree, a file that is already encrypted is not encrypted again; a file named on the
    // command line is, as its name asks.
    if (!named) {
      const EncryptionMethod method = MethodOfName(item.Input);
      if (method != EncryptionMethod::kNone) {
        item.State = ItemState::Skipped;
        item.Reason = "already carries an encryption suffix (method " +
                      std::to_string(MethodNumber(method)) + ")";
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

  // Two inputs of one run must not write the same output: the second would replace the first.
  void ClaimOutput(WorkItem& item) {
    if (item.State != ItemState::Pending || item.Output.empty())
      return;
    const auto [claim, fresh] = claimed_.emplace(item.Output, item.Input);
    if (!fresh) {
      item.State = ItemState::Failed;
      item.Reason = "output " + item.Output + " is also the output of " + claim->second;
    }
  }

  void Fail(const std::string& path, std::string reason) {
    items_.push_back({path,
                      std::string(),
                      EncryptionMethod::kNone,
                      0,
                      ItemState::Failed,
                      std::move(reason),
                      {},
                      {}});
  }
  void Skip(const std::string& path, std::string reason) {
    items_.push_back({path,
                      std::string(),
                      EncryptionMethod::kNone,
                      0,
                      ItemState::Skipped,
                      std::move(reason),
                      {},
                      {}});
  }

  const ToolOptions& options_;
  std::vector<WorkItem> items_;
  std::unordered_map<std::string, std::string> claimed_;
};

}  // namespace

std::string NoCipherReason(EncryptionMethod method) {
  if (method == EncryptionMethod::kNone)
    return "no encryption detected";
  return "method " + std::to_string(MethodNumber(method)) + " selects no cipher";
}

std::vector<WorkItem> CollectWork(const ToolOptions& options) {
  WorkCollector collector(options);
  for (const std::string& path : options.Paths)
    collector.AddPath(path);
  return collector.Take();
}

}  // namespace ostrel
