#include "support/temporary_directory.h"

#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace ostrel::testing_support {

TemporaryDirectory::TemporaryDirectory() {
  // A name nobody else holds: create_directory is false when the name was taken meanwhile.
  std::random_device seed;
  std::mt19937_64 random(seed());
  const std::filesystem::path base = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::filesystem::path candidate = base / ("ostrel-test-" + std::to_string(random()));
    if (std::filesystem::create_directory(candidate)) {
      std::filesystem::permissions(candidate, std::filesystem::perms::owner_all,
                                   std::filesystem::perm_options::replace);
      path_ = candidate;
      return;
    }
  }
  throw std::runtime_error("no free name for a temporary directory in " + base.string());
}

TemporaryDirectory::~TemporaryDirectory() {
  std::error_code ignored;
  // Tests may leave read-only directories behind; make them writable so everything goes.
  for (auto it = std::filesystem::recursive_directory_iterator(path_, ignored);
       it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
    if (it->is_directory(ignored) && !it->is_symlink(ignored)) {
      std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                   std::filesystem::perm_options::add, ignored);
    }
  }
  std::filesystem::remove_all(path_, ignored);
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file)
    throw std::runtime_error("cannot read " + path);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!file)
    throw std::runtime_error("cannot write " + path);
}

}  // namespace ostrel::testing_support
