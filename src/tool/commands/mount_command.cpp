// ostrel mount: a read-only decrypted view of a backup, for finding and reading single files
// without restoring the tree. The pass phrase is tried on a sample of files before anything is
// mounted, so that a mistyped one gives an error, not a tree of unreadable files.
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "names/path_joining.h"
#include "platform/directory_listing.h"
#include "platform/error_text.h"
#include "tool/commands/tool_commands.h"
#include "tool/keys/checked_passphrase.h"
#include "tool/keys/passphrase_input.h"
#include "tool/mount/fuse_file_system.h"
#include "tool/mount/mount_keys.h"
#include "tool/mount/mounted_tree.h"
#include "tool/restore/final_block_check.h"
#include "tool/run/terminal_text.h"

namespace ostrel {
namespace {

// Files whose final block the pass phrase is tried on before mounting.
constexpr std::size_t kSampleFiles = 64;

int Refuse(const std::string& text) {
  (void)std::fprintf(stderr, "ostrel: %s\n", text.c_str());
  return 2;
}

// The mount point must be an empty directory, outside the source and not holding it: a mount
// over files would hide them, and a mount inside the tree it shows would serve its own requests
// when the source is read below it, which waits for ever.
std::optional<int> CheckMountPoint(const std::string& path, int source) {
  const FileStatus status = StatusOfPath(path);
  if (status.Error != 0)
    return Refuse(path + ": " + SystemErrorText(status.Error));
  if (status.Kind != FileKind::Directory)
    return Refuse(path + ": the mount point is not a directory");
  const OpenedFile mountPoint = OpenDirectoryHandle(path);
  if (mountPoint.handle < 0)
    return Refuse(path + ": " + SystemErrorText(mountPoint.error));
  int insideError = 0;
  int holdingError = 0;
  const bool inside = DirectoryLiesWithin(mountPoint.handle, source, insideError);
  const bool holding = !inside && DirectoryLiesWithin(source, mountPoint.handle, holdingError);
  CloseFile(mountPoint.handle);
  if (inside)
    return Refuse(path + ": the mount point lies inside the source");
  if (holding)
    return Refuse(path + ": the source lies inside the mount point");
  if (insideError != 0 || holdingError != 0)
    return Refuse(path + ": " + SystemErrorText(insideError != 0 ? insideError : holdingError));
  int error = 0;
  if (!IsEmptyDirectory(path, error)) {
    if (error != 0)
      return Refuse(path + ": " + SystemErrorText(error));
    return Refuse(path + ": the mount point is not empty");
  }
  return std::nullopt;
}

std::string AbsolutePath(const std::string& path) {
  char resolved[PATH_MAX];
  if (::realpath(path.c_str(), resolved) == nullptr)
    return path;
  return resolved;
}

std::vector<WorkItem> SampleItems(MountedTree& tree, const std::string& source) {
  std::vector<WorkItem> items;
  for (const auto& [relative, method] : tree.SampleEncryptedFiles(kSampleFiles)) {
    WorkItem item;
    item.Input = JoinPath(source, relative, PathStyle::Posix);
    item.Method = method;
    items.push_back(std::move(item));
  }
  return items;
}

// The keys, once the pass phrase opens at least one file of the sample; or the exit status.
// path without the source's own path before it.
std::string BelowSource(const std::string& path, const std::string& source) {
  const std::string prefix = source.ends_with('/') ? source : source + "/";
  return path.starts_with(prefix) ? path.substr(prefix.size()) : path;
}

// The names, escaped for a terminal, in one line.
std::string NameList(const std::vector<std::string>& names) {
  std::string list;
  for (const std::string& name : names)
    list += (list.empty() ? "" : ", ") + EscapeControlCharacters(name);
  return list;
}

std::unique_ptr<CipherKeys> KeysOpeningTheSample(const ToolOptions& options,
                                                 const std::string& source,
                                                 const std::vector<WorkItem>& sample,
                                                 int& exitStatus) {
  if (sample.empty()) {
    std::unique_ptr<CipherKeys> keys = ObtainKeys(options.Passphrase, false, false);
    exitStatus = keys ? 0 : 2;
    return keys;
  }
  CheckedKeys checked = ObtainCheckedKeys(options, sample);
  if (!checked.Keys) {
    exitStatus = checked.ExitStatus;
    return nullptr;
  }
  // Only a file whose final block can be read says anything about the pass phrase: one that is
  // empty, truncated or unreadable neither opens nor fails, and must not let a wrong pass phrase
  // through.
  std::size_t checkable = 0;
  std::vector<std::string> failed;  // below the source
  for (const WorkItem& item : sample) {
    const FileOutcome outcome = CheckFinalBlockOfFile(item, *checked.Keys, false);
    if (outcome.PassphraseCheckFailed)
      failed.push_back(BelowSource(item.Input, source));
    if (outcome.PassphraseCheckFailed || outcome.Kind == OutcomeKind::Done)
      ++checkable;
  }
  if (checkable > 0 && failed.size() == checkable) {
    (void)std::fprintf(stderr,
                       "ostrel: the pass phrase opens none of the %zu files tried; nothing was "
                       "mounted (tried: %s)\n",
                       checkable, NameList(failed).c_str());
    exitStatus = 3;
    return nullptr;
  }
  if (!failed.empty()) {
    (void)std::fprintf(stderr,
                       "ostrel: the pass phrase does not open %zu of the %zu files tried (another "
                       "pass phrase, or damaged); such files fail to read: %s\n",
                       failed.size(), checkable, NameList(failed).c_str());
  }
  return std::move(checked.Keys);
}

}  // namespace

int RunMountCommand(const ToolOptions& options) {
  const std::string source = AbsolutePath(options.Paths[0]);
  const std::string mountPoint = AbsolutePath(options.Paths[1]);
  const OpenedFile sourceDirectory = OpenDirectoryHandle(source);
  if (sourceDirectory.handle < 0)
    return Refuse(options.Paths[0] + ": " + SystemErrorText(sourceDirectory.error));
  if (const std::optional<int> refused = CheckMountPoint(mountPoint, sourceDirectory.handle)) {
    CloseFile(sourceDirectory.handle);
    return *refused;
  }

  MountLog log;
  // Declared before the tree, so that the keys outlive the work it does in the background.
  std::optional<MountKeys> mountKeys;
  MountedTree tree(sourceDirectory.handle,
                   {options.Versions, options.ShowPlain, options.IncludeIncomplete}, log);
  int exitStatus = 0;
  std::unique_ptr<CipherKeys> keys =
      KeysOpeningTheSample(options, source, SampleItems(tree, source), exitStatus);
  if (!keys) {
    CloseFile(sourceDirectory.handle);
    return exitStatus;
  }

  const FuseMountRequest request{mountPoint, options.Foreground, options.Debug, options.AllowOther,
                                 options.PageCache};
  exitStatus = ServeMountedTree(tree, log, request, [&] {
    mountKeys.emplace(*keys);
    keys.reset();  // wipes the copy in ordinary memory
    tree.UseKeys(*mountKeys);
  });
  CloseFile(sourceDirectory.handle);
  return exitStatus;
}

}  // namespace ostrel
