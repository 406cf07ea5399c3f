#define FUSE_USE_VERSION 31
#include "tool/mount/fuse_file_system.h"

#include <fuse3/fuse.h>
#include <fuse3/fuse_lowlevel.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/freed_memory.h"
#include "platform/serving_signals.h"
#include "platform/system_log.h"

namespace ostrel {
namespace {

// What the file system serves, and how.
struct Served {
  MountedTree& Tree;
  MountLog& Log;
  bool PageCache;
};

Served& Serving() {
  return *static_cast<Served*>(fuse_get_context()->private_data);
}

MountedTree& Tree() {
  return Serving().Tree;
}

// Every request is answered, whatever fails while answering it: an exception that reached FUSE's
// C code would end the process and leave a dead mount point behind.
template <typename Work>
int Answered(const char* path, const Work& work) {
  try {
    return work();
  } catch (const std::exception& error) {
    try {
      Serving().Log.Note(std::string(path) + ": " + error.what());
    } catch (...) {
    }
  } catch (...) {
  }
  return -EIO;
}

// The read size that files suggest to programs (most take it for their buffers): a large one
// turns a stream through a file into few requests, each of which decrypts on every core.
constexpr blksize_t kSuggestedReadBytes = 1 << 20;

// An open file is shared with the work done ahead of its reader, which may outlive the release.
using SharedFile = std::shared_ptr<OpenedShownFile>;

// FUSE keeps the open file as a 64-bit number: the pointer OpenFile put there.
SharedFile* OpenedOf(const fuse_file_info* file) {
  return reinterpret_cast<SharedFile*>(file->fh);  // NOLINT(performance-no-int-to-ptr)
}

void FillStatus(const ShownAttributes& attributes, struct stat& status) {
  status = {};
  status.st_mode = (attributes.Directory ? S_IFDIR : S_IFREG) | attributes.Permissions;
  status.st_nlink = attributes.Directory ? 2 : 1;
  // Directories keep the kernel's page-sized hint: a program sizes its buffer for a listing by
  // it, and the kernel then sets aside as much for every listing request it sends.
  if (!attributes.Directory)
    status.st_blksize = kSuggestedReadBytes;
  status.st_size = attributes.Size;
  // What "du" and file managers count: the plain bytes, not the encrypted file's.
  status.st_blocks = static_cast<blkcnt_t>(ShownBlocks(attributes));
  status.st_mtim.tv_sec = attributes.Seconds;
  status.st_mtim.tv_nsec = attributes.Nanoseconds;
  status.st_atim = status.st_mtim;
  status.st_ctim = status.st_mtim;
  // The source's owner and group: with its permission bits they let the kernel refuse others what
  // the source refuses them, when others may enter the mount.
  status.st_uid = static_cast<uid_t>(attributes.Owner);
  status.st_gid = static_cast<gid_t>(attributes.Group);
}

void* Initialise(struct fuse_conn_info* connection, struct fuse_config* config) {
  // More reads in flight, so that the server's threads decrypt on every core while a reader
  // streams a file.
  connection->max_background = 64;
  connection->congestion_threshold = 48;
  // Attributes may be kept for a second. With the page cache, file contents are dropped at every
  // open, so that a file replaced below the source never shows old pages.
  config->kernel_cache = 0;
  config->use_ino = 0;
  config->nullpath_ok = 0;
  return fuse_get_context()->private_data;
}

int GetAttributes(const char* path, struct stat* status, struct fuse_file_info* /*file*/) {
  return Answered(path, [&] {
    ShownAttributes attributes;
    const int result = Tree().Attributes(path, attributes);
    if (result == 0)
      FillStatus(attributes, *status);
    return result;
  });
}

// Entries from which a listing counts as large, for giving its memory back when it is released.
constexpr std::size_t kLargeListing = 4096;

// A directory as opened: listed once, so that the pieces the kernel reads of it in one pass come
// from one listing.
using OpenedDirectory = ShownEntries;

OpenedDirectory* DirectoryOf(const fuse_file_info* file) {
  return reinterpret_cast<OpenedDirectory*>(file->fh);  // NOLINT(performance-no-int-to-ptr)
}

int OpenDirectory(const char* path, struct fuse_file_info* file) {
  return Answered(path, [&] {
    auto directory = std::make_unique<OpenedDirectory>();
    const int result = Tree().List(path, *directory);
    if (result == 0)
      file->fh = reinterpret_cast<uint64_t>(directory.release());
    return result;
  });
}

// Entries go out with their attributes and with offsets (each the position of the entry after
// it, counting "." and ".." first): only entries with offsets reach the kernel with their
// attributes, which then answers "ls -l" and "find -printf %s" without a request per file.
int ReadDirectory(const char* /*path*/, void* buffer, fuse_fill_dir_t fill, off_t offset,
                  struct fuse_file_info* file, enum fuse_readdir_flags /*flags*/) {
  const OpenedDirectory& entries = *DirectoryOf(file);
  for (auto index = static_cast<std::size_t>(std::max<off_t>(offset, 0));
       index < entries.size() + 2; ++index) {
    const auto next = static_cast<off_t>(index + 1);
    int full = 0;
    if (index < 2) {
      full =
          fill(buffer, index == 0 ? "." : "..", nullptr, next, static_cast<fuse_fill_dir_flags>(0));
    } else {
      const auto& [name, attributes] = entries[index - 2];
      struct stat status {};
      FillStatus(attributes, status);
      full = fill(buffer, name.c_str(), &status, next, FUSE_FILL_DIR_PLUS);
    }
    if (full != 0)
      break;  // the kernel's buffer is full: it asks again from the next offset
  }
  return 0;
}

int ReleaseDirectory(const char* /*path*/, struct fuse_file_info* file) {
  std::unique_ptr<OpenedDirectory> directory(DirectoryOf(file));
  const bool large = directory->size() >= kLargeListing;
  directory.reset();
  // The listing of a large directory, and what making it took, leave many pages free: given
  // back, so that listing it again and again does not grow the mount.
  if (large)
    ReturnFreedMemory();
  return 0;
}

int OpenFile(const char* path, struct fuse_file_info* file) {
  if ((file->flags & O_ACCMODE) != O_RDONLY || (file->flags & O_TRUNC) != 0)
    return -EROFS;
  return Answered(path, [&] {
    SharedFile opened;
    const int result = Tree().Open(path, opened);
    if (result == 0) {
      file->fh = reinterpret_cast<uint64_t>(new SharedFile(std::move(opened)));
      // Straight to the tree: the kernel neither keeps a second copy of the plain bytes nor
      // splits a program's reads into its read-ahead steps. A program may then map a file
      // privately (as running it does), not shared.
      file->direct_io = Serving().PageCache ? 0 : 1;
    }
    return result;
  });
}

int ReadFile(const char* /*path*/, char* buffer, size_t size, off_t offset,
             struct fuse_file_info* file) {
  const int64_t result = Tree().Read(*OpenedOf(file), offset, reinterpret_cast<uint8_t*>(buffer),
                                     static_cast<int64_t>(size));
  return static_cast<int>(result);
}

int ReleaseFile(const char* /*path*/, struct fuse_file_info* file) {
  const std::unique_ptr<SharedFile> opened(OpenedOf(file));
  MountedTree::Close(*opened);
  return 0;
}

fuse_operations Operations() {
  fuse_operations operations{};
  operations.init = Initialise;
  operations.getattr = GetAttributes;
  operations.opendir = OpenDirectory;
  operations.readdir = ReadDirectory;
  operations.releasedir = ReleaseDirectory;
  operations.open = OpenFile;
  operations.read = ReadFile;
  operations.release = ReleaseFile;
  return operations;
}

// The session's options: read-only, and the permission bits of the source checked by the kernel,
// so that a mount that others may enter keeps private files private.
std::vector<std::string> SessionArguments(const FuseMountRequest& request) {
  std::vector<std::string> arguments{"ostrel", "-o", "ro,default_permissions,fsname=ostrel"};
  if (request.AllowOther)
    arguments.insert(arguments.end(), {"-o", "allow_other"});
  if (request.Debug)
    arguments.emplace_back("-d");
  return arguments;
}

}  // namespace

int ServeMountedTree(MountedTree& tree, MountLog& log, const FuseMountRequest& request,
                     const std::function<void()>& detached) {
  std::vector<std::string> arguments = SessionArguments(request);
  std::vector<char*> pointers;
  pointers.reserve(arguments.size());
  for (std::string& argument : arguments)
    pointers.push_back(argument.data());
  fuse_args args = FUSE_ARGS_INIT(static_cast<int>(pointers.size()), pointers.data());
  const fuse_operations operations = Operations();
  Served served{tree, log, request.PageCache};
  fuse* const session = fuse_new(&args, &operations, sizeof(operations), &served);
  fuse_opt_free_args(&args);
  if (session == nullptr) {
    (void)std::fputs("ostrel: the file system could not be set up\n", stderr);
    return 1;
  }
  if (fuse_mount(session, request.MountPoint.c_str()) != 0) {
    (void)std::fprintf(stderr, "ostrel: %s: cannot mount there\n", request.MountPoint.c_str());
    fuse_destroy(session);
    return 1;
  }
  int status = 1;
  fuse_session* const servedSession = fuse_get_session(session);
  if (fuse_set_signal_handlers(servedSession) == 0) {
    UnmountOnEndingSignals(
        [](void* context) { fuse_session_exit(static_cast<fuse_session*>(context)); },
        servedSession, request.MountPoint);
    const bool foreground = request.Foreground || request.Debug;
    if (fuse_daemonize(foreground ? 1 : 0) == 0) {
      if (!foreground) {
        OpenSystemLog();
        log.Redirect([](const std::string& line) { WriteSystemLog("mount: " + line); });
      }
      try {
        detached();
        // The loop ends with 0 after an unmount, with the signal's number after SIGINT, SIGTERM
        // or SIGHUP, 0 after the other ending signals (all of which unmount as well), and
        // negative only when serving failed.
        status = fuse_loop_mt(session, 0) < 0 ? 1 : 0;
      } catch (const std::exception& error) {
        log.Note(std::string("not served: ") + error.what());
      }
    }
    RemoveUnmountOnEndingSignals();
    fuse_remove_signal_handlers(servedSession);
  }
  fuse_unmount(session);
  fuse_destroy(session);
  return status;
}

}  // namespace ostrel
