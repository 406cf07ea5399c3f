#include "platform/directory_walk.h"

#include <memory>
#include <utility>

namespace ostrel::directory_walk {
namespace {

std::string JoinRelative(const std::string& parent, const std::string& name) {
  return parent.empty() ? name : parent + "/" + name;
}

}  // namespace

void WalkOpen(int handle, std::string path, std::string relative, const TreeVisitor& visitor) {
  ListedDirectory listed;
  listed.Directory = std::make_shared<const OpenDirectory>(handle, std::move(path));
  listed.RelativePath = std::move(relative);
  DirectoryListing listing = ListOpenDirectory(handle);
  if (listing.Error != 0) {
    visitor.Unreadable(listed.RelativePath, listing.Error);
    return;
  }
  listed.Entries = std::move(listing.Entries);
  for (const std::string& name : listing.Untranslatable)
    visitor.Unreadable(JoinRelative(listed.RelativePath, name), listing.UntranslatableError);
  if (visitor.Listed)
    visitor.Listed(listed);
  for (const DirectoryEntry& entry : listed.Entries) {
    if (entry.Kind != FileKind::Directory) {
      visitor.Entry(listed, entry);
      continue;
    }
    if (visitor.BeforeEntering)
      visitor.BeforeEntering(listed, entry);
    const std::string childRelative = JoinRelative(listed.RelativePath, entry.Name);
    const OpenedFile child = OpenSubdirectory(handle, entry.Name);
    if (child.handle < 0) {
      visitor.Unreadable(childRelative, child.error);
      continue;
    }
    WalkOpen(child.handle, SubdirectoryPath(listed.Directory->Path(), entry.Name), childRelative,
             visitor);
  }
  if (visitor.Finished)
    visitor.Finished(listed);
}

}  // namespace ostrel::directory_walk
