// ostrel mount: a read-only decrypted view of a backup, for finding and reading single files
// without restoring the tree. The pass phrase is tried on a sample of files before anything is
// mounted, so that a mistyped one gives an error, not a tree of unreadable files.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "platform/directory_listing.h"
#include "platform/error_text.h"
#include "platform/full_path.h"
#include "tool/commands/shared_options.h"
#include "tool/commands/tool_commands.h"
#include "tool/mount/fuse_file_system.h"
#include "tool/mount/mounted_tree.h"
#include "tool/mount/tree_passphrase_check.h"

namespace ostrel {
namespace {

struct MountOptions {
  std::string Source;
  std::string MountPoint;
  ShowSettings Show;
  bool Foreground = false;
  bool Debug = false;
  bool AllowOther = false;
  bool PageCache = false;
  PassphraseChoice Passphrase;
};

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

int Mount(const MountOptions& options) {
  const std::string source = ResolvedPathName(options.Source);
  const std::string mountPoint = ResolvedPathName(options.MountPoint);
  const OpenedFile sourceDirectory = OpenDirectoryHandle(source);
  if (sourceDirectory.handle < 0)
    return Refuse(options.Source + ": " + SystemErrorText(sourceDirectory.error));
  if (const std::optional<int> refused = CheckMountPoint(mountPoint, sourceDirectory.handle)) {
    CloseFile(sourceDirectory.handle);
    return *refused;
  }

  MountLog log;
  // Declared before the tree, so that the keys outlive the work it does in the background.
  std::unique_ptr<CipherKeys> mountKeys;
  MountedTree tree(sourceDirectory.handle, options.Show, log);
  int exitStatus = 0;
  std::unique_ptr<CipherKeys> keys =
      KeysOpeningTheTree(tree, source, options.Passphrase, "mounted", exitStatus);
  if (!keys) {
    CloseFile(sourceDirectory.handle);
    return exitStatus;
  }

  const FuseMountRequest request{mountPoint, options.Foreground, options.Debug, options.AllowOther,
                                 options.PageCache};
  exitStatus = ServeMountedTree(tree, log, request, [&] {
    mountKeys = keys->CopyLockedInMemory();
    keys.reset();  // wipes the copy on pages this process has not locked
    tree.UseKeys(*mountKeys);
  });
  CloseFile(sourceDirectory.handle);
  return exitStatus;
}

class MountCommandLine : public ToolCommand {
 public:
  CLI::App& AddTo(CLI::App& tool) override {
    CLI::App& command = *tool.add_subcommand(
        "mount",
        "Mount the tree below SOURCE at MOUNTPOINT as a read-only file system that shows it "
        "decrypted: encrypted files under their decoded names, with their plain sizes, read by "
        "decrypting only the blocks a read touches. Runs in the background until unmounted with "
        "\"fusermount3 -u MOUNTPOINT\". The final blocks of up to 64 files are checked first: when "
        "the pass phrase opens fewer than half of them, nothing is mounted.");
    command.add_option("SOURCE", options_.Source, "the directory to show")->required();
    command.add_option("MOUNTPOINT", options_.MountPoint, "the empty directory to show it in")
        ->required();
    AddShowOptions(command, options_.Show);
    command.add_flag("-f,--foreground", options_.Foreground,
                     "stay in the foreground; Ctrl-C unmounts");
    command.add_flag("-d,--debug", options_.Debug,
                     "log every request on standard error (stays in the foreground)");
    command.add_flag("--allow-other", options_.AllowOther,
                     "let other users enter the mount (the source's permission bits still apply)");
    command.add_flag("--page-cache", options_.PageCache,
                     "read through the system's page cache, so that programs may map files "
                     "shared; large files read more slowly");
    AddPassphraseOptions(command, options_.Passphrase);
    command.footer(
        "Exit status: 0 after the file system was unmounted; 3 when the pass phrase was judged "
        "wrong (see \"ostrel decrypt --help\"); 1 when it could not be mounted; 2 for a usage "
        "error.");
    return command;
  }

  void CheckUsage() override { CheckPassphraseChoice(options_.Passphrase); }

  // A mount writes no file; its signals unmount it, which the file-system layer arranges.
  bool HandlesSignals() const override { return true; }

  int Run() override { return Mount(options_); }

 private:
  MountOptions options_;
};

}  // namespace

std::unique_ptr<ToolCommand> MountCommand() {
  return std::make_unique<MountCommandLine>();
}

}  // namespace ostrel
