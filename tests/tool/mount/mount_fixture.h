// A real mount of a scratch tree by the real ostrel program, for the end-to-end tests of ostrel
// mount: started in the foreground with its log in a file, awaited until the kernel shows it, and
// always unmounted at the end, so that a failing test leaves nothing mounted or running.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "tool_fixture.h"

namespace ostrel::testing_support {

// Whether the kernel's table of mounts holds a mount at path.
bool MountTableHas(const std::string& path);

class MountTest : public ToolTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  std::string SourceOf(const std::string& name) const { return PathOf("source/" + name); }
  std::string MountedOf(const std::string& name) const { return PathOf("mnt/" + name); }
  // Writes an encrypted file below the source.
  void WriteEncrypted(const std::string& name, EncryptionMethod method, const std::string& plain,
                      const std::string& passphrase = kPassphrase) const;

  // Mounts the source with ostrel mount -f and the options; fails the test when it does not show
  // up in the mount table within a few seconds.
  void Mount(const std::vector<std::string>& options = {},
             const std::string& passphrase = kPassphrase);
  // Unmounts and waits for the program; its exit code.
  int Unmount();
  bool IsMounted() const;
  std::string Log() const;
  // Names in the mounted directory, sorted.
  std::vector<std::string> Listing(const std::string& directory = {}) const;

  std::unique_ptr<BackgroundTool> mount_;
};

}  // namespace ostrel::testing_support
