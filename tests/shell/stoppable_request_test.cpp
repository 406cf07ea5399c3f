// The dialog's requests with a stop switch: the same files as without one, and a stopped request
// leaves no partial output behind and says so.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "errors/exceptions.h"
#include "shell/requests.h"
#include "support/temporary_directory.h"

namespace ostrel {
namespace {

using testing_support::ReadFileBytes;
using testing_support::TemporaryDirectory;
using testing_support::WriteFileBytes;

class Notes : public UserMessages {
 public:
  void ShowNote(const std::string& text) override { notes.push_back(text); }
  void ShowError(const std::string& caption, const std::string& text) override {
    notes.push_back(caption + ": " + text);
  }
  std::vector<std::string> notes;
};

std::string Sample(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i)
    bytes[i] = static_cast<char>(i * 7 + i / 251);
  return bytes;
}

class StoppableRequest : public testing::Test {
 protected:
  std::string Path(const std::string& name) const { return directory_ / name; }
  TemporaryDirectory directory_;
  Notes messages_;
};

TEST_F(StoppableRequest, RunningToItsEndWritesWhatTheCommandLineWrites) {
  const std::string plain = Sample(3 * 1024 * 1024 + 5);  // several chunks and a partial block
  WriteFileBytes(Path("a.bin"), plain);
  WriteFileBytes(Path("b.bin"), plain);
  const StopSwitch stop;
  EncryptRequest(Path("a.bin"), "pass phrase", messages_, stop);
  EncryptRequest(Path("b.bin"), "pass phrase");
  EXPECT_EQ(ReadFileBytes(Path("a.bin.2crypt")), ReadFileBytes(Path("b.bin.2crypt")));

  std::filesystem::rename(Path("a.bin.2crypt"), Path("c.bin.2crypt"));
  DecryptRequest(Path("c.bin.2crypt"), "pass phrase", messages_, &stop);
  EXPECT_EQ(ReadFileBytes(Path("c.bin")), plain);
  EXPECT_TRUE(messages_.notes.empty());

  // The final block is still checked before anything is created.
  EXPECT_THROW(DecryptRequest(Path("b.bin.2crypt"), "wrong", messages_, &stop), ECipherException);
  EXPECT_EQ(ReadFileBytes(Path("b.bin")), plain);
}

TEST_F(StoppableRequest, AStoppedRequestRemovesItsPartialOutputAndSaysSo) {
  const std::string plain = Sample(2 * 1024 * 1024);
  WriteFileBytes(Path("a.bin"), plain);
  EncryptRequest(Path("a.bin"), "pw");
  std::filesystem::rename(Path("a.bin.2crypt"), Path("d.bin.2crypt"));

  StopSwitch stop;
  stop.Stop();
  const struct {
    const char* what;
    std::string output;
    std::function<void()> request;
  } cases[] = {
      {"encrypt", Path("a.bin.2crypt"),
       [&] { EncryptRequest(Path("a.bin"), "pw", messages_, stop); }},
      {"decrypt", Path("d.bin"),
       [&] { DecryptRequest(Path("d.bin.2crypt"), "pw", messages_, &stop); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    messages_.notes.clear();
    c.request();
    EXPECT_FALSE(std::filesystem::exists(c.output));
    EXPECT_EQ(messages_.notes, std::vector<std::string>{"Stopped. The partial file \"" + c.output +
                                                        "\" was removed."});
  }
  // The input is never touched.
  EXPECT_EQ(ReadFileBytes(Path("a.bin")), plain);
}

}  // namespace
}  // namespace ostrel
