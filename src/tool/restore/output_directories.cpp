#include "tool/restore/output_directories.h"

#include "platform/temporary_files.h"

namespace ostrel {

std::shared_ptr<const OutputDirectory> OutputDirectories::Open(const std::string& root,
                                                               const std::string& below) {
  // A NUL byte can be part of neither name.
  std::string key = root;
  key.push_back('\0');
  key += below;
  // Held while a directory is opened: two files of one new directory make and open it once.
  const std::lock_guard lock(mutex_);
  if (const auto found = open_.find(key); found != open_.end())
    return found->second;
  auto directory = std::make_shared<const OutputDirectory>(root, below, create_, sync_);
  if (directory->Error() != 0)
    return directory;
  RemoveStaleTemporaries(directory->Handle());
  if (open_.size() >= kKeptOpen)
    open_.clear();
  open_.emplace(std::move(key), directory);
  return directory;
}

}  // namespace ostrel
