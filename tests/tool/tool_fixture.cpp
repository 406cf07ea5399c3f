#include "tool_fixture.h"

#include <cstring>
#include <filesystem>

#include "primitives/fold_digest.h"

namespace ostrel::testing_support {
namespace {

bool IsTripleDes(EncryptionMethod method) {
  return method == EncryptionMethod::kTripleDes;
}

}  // namespace

std::string KeyHex(EncryptionMethod method, std::string_view passphrase) {
  uint8_t key[32];
  const int length = IsTripleDes(method) ? 16 : 32;
  PassphraseToKey(key, length, passphrase);
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (int i = 0; i < length; ++i) {
    hex.push_back(kDigits[key[i] >> 4]);
    hex.push_back(kDigits[key[i] & 0xF]);
  }
  return hex + "\n";
}

std::string PatternBytes(std::size_t size, int seed) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i)
    bytes[i] = static_cast<char>((i * 7 + static_cast<std::size_t>(seed)) & 0xFF);
  return bytes;
}

void ToolTest::Write(const std::string& name, const std::string& bytes) const {
  const std::filesystem::path path = PathOf(name);
  std::filesystem::create_directories(path.parent_path());
  WriteFileBytes(path.string(), bytes);
}

bool ToolTest::Exists(const std::string& name) const {
  return std::filesystem::exists(std::filesystem::symlink_status(PathOf(name)));
}

std::vector<std::string> ToolTest::TemporaryLeftovers() const {
  // Files may come and go while a program runs: errors end the listing, never the test.
  std::vector<std::string> leftovers;
  std::error_code error;
  std::filesystem::recursive_directory_iterator entry(directory_.Path(), error);
  for (; !error && entry != std::filesystem::recursive_directory_iterator();
       entry.increment(error)) {
    if (entry->path().filename().string().starts_with(".ostrel-"))
      leftovers.push_back(entry->path().string());
  }
  return leftovers;
}

ToolRun ToolTest::Ostrel(std::vector<std::string> arguments, std::string stdinText,
                         std::string passphrase) const {
  ToolCall call;
  call.Arguments = std::move(arguments);
  call.Environment = {{"OSTREL_PW", std::move(passphrase)}};
  call.Stdin = std::move(stdinText);
  call.WorkingDirectory = directory_.Path().string();
  return RunTool(kOstrel, call);
}

ToolRun ToolTest::OstrelKeyed(std::vector<std::string> arguments, std::string stdinText,
                              std::string passphrase) const {
  arguments.insert(arguments.begin() + 1, {"--passphrase-env", "OSTREL_PW"});
  return Ostrel(std::move(arguments), std::move(stdinText), std::move(passphrase));
}

}  // namespace ostrel::testing_support
