// Serving a mounted tree to the kernel through FUSE, read-only: the one place that speaks the FUSE
// interface, so that the rest of the mount stays testable without it.
#pragma once

#include <functional>
#include <string>

#include "tool/mount/mounted_tree.h"

namespace ostrel {

struct FuseMountRequest {
  std::string MountPoint;
  bool Foreground = false;
  bool Debug = false;  // every request on standard error; implies Foreground
  bool AllowOther = false;
  // Files read through the system's page cache, which lets programs map them shared; otherwise
  // each read goes straight to the tree, which streams large files faster.
  bool PageCache = false;
};

// Mounts, goes into the background unless asked not to, calls detached (there, the keys move into
// memory of their own), and serves until the file system is unmounted or a signal that would end
// the process arrives, which unmounts it too. Returns the exit status: 0 after an unmount; 1, with
// the reason in the log or on standard error, when the mount could not be made.
int ServeMountedTree(MountedTree& tree, MountLog& log, const FuseMountRequest& request,
                     const std::function<void()>& detached);

}  // namespace ostrel
