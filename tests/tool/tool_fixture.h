// A scratch directory, the two programs and the library's own encryption, for the end-to-end
// tests of ostrel.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "names/encryption_method.h"
#include "support/library_files.h"
#include "support/process.h"
#include "support/temporary_directory.h"

namespace ostrel::testing_support {

inline const std::string kOstrel = std::string(OSTREL_BINARY_DIR) + "/ostrel";
inline const std::string kOstrelDecrypt = std::string(OSTREL_BINARY_DIR) + "/ostrel-decrypt";
inline constexpr const char* kPassphrase = "correct horse";

// The key in lower-case hexadecimal followed by a line end, as ostrel key prints it.
std::string KeyHex(EncryptionMethod method, std::string_view passphrase);
// Bytes of every value 0..255 in turn, so that block boundaries are visible in a mismatch.
std::string PatternBytes(std::size_t size, int seed = 0);

class ToolTest : public ::testing::Test {
 protected:
  std::string PathOf(const std::string& name) const { return directory_ / name; }
  void Write(const std::string& name, const std::string& bytes) const;
  std::string Read(const std::string& name) const { return ReadFileBytes(PathOf(name)); }
  bool Exists(const std::string& name) const;
  // Names of leftover temporary files anywhere below the directory.
  std::vector<std::string> TemporaryLeftovers() const;

  // Runs ostrel in the directory, the pass phrase in OSTREL_PW; arguments may use it through
  // --passphrase-env OSTREL_PW.
  ToolRun Ostrel(std::vector<std::string> arguments, std::string stdinText = {},
                 std::string passphrase = kPassphrase) const;
  // The same with --passphrase-env OSTREL_PW added after the command.
  ToolRun OstrelKeyed(std::vector<std::string> arguments, std::string stdinText = {},
                      std::string passphrase = kPassphrase) const;

  TemporaryDirectory directory_;
};

}  // namespace ostrel::testing_support
