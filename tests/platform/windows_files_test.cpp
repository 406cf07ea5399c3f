// The Windows layer of files, on the system's own files (under wine in the Windows build).
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "cipher/cipher_components.h"
#include "errors/exceptions.h"
#include "platform/error_text.h"
#include "platform/file_handle.h"
#include "platform/full_path.h"
#include "platform/text_conversion.h"
#include "support/temporary_directory.h"

namespace ostrel {
namespace {

using testing_support::ReadFileBytes;
using testing_support::TemporaryDirectory;
using testing_support::WriteFileBytes;

constexpr int kInvalidName = 123;  // ERROR_INVALID_NAME

// A directory with one file "a" in it, and the names made from it in the system's spelling.
class WindowsFiles : public testing::Test {
 protected:
  void SetUp() override { WriteFileBytes(Name("a"), kContent); }
  std::string Name(const std::string& name) const { return (directory_.Path() / name).string(); }

  const std::string kContent = "the content of a";
  TemporaryDirectory directory_;
};

TEST_F(WindowsFiles, AnOutputThatIsTheOpenInputIsRefusedBeforeItLosesAByte) {
  TRijndael cipher;
  cipher.GenerateKey("pw");
  const std::string a = Name("a");
  std::string upperCase = a;
  upperCase.back() = 'A';
  std::string forwardSlashes = a;
  for (char& c : forwardSlashes)
    c = c == '\\' ? '/' : c;
  for (const std::string& output : {a, upperCase, forwardSlashes, Name("sub\\..\\a")}) {
    SCOPED_TRACE(output);
    try {
      cipher.EncryptFile(WidenSystemText(a), WidenSystemText(output));
      ADD_FAILURE() << "nothing was raised";
    } catch (const EFCreateError& error) {
      EXPECT_EQ(error.Message(), "Cannot create file \"" + FullPathName(output) + "\". " +
                                     SystemErrorText(32));  // ERROR_SHARING_VIOLATION
    }
    EXPECT_EQ(ReadFileBytes(a), kContent);
  }
}

TEST_F(WindowsFiles, ADirectoryIsNoFile) {
  std::filesystem::create_directory(Name("dir"));
  const OpenedFile input = OpenExistingFile(Name("dir"), FileAccess::Read);
  EXPECT_EQ(input.handle, -1);
  EXPECT_EQ(input.error, kIsADirectory);
  const OpenedFile output = CreateOrEmptyFile(Name("dir"));
  EXPECT_EQ(output.handle, -1);
  EXPECT_EQ(output.error, kIsADirectory);
  EXPECT_EQ(OpenExistingStream(Name("dir")).error, kIsADirectory);
  EXPECT_TRUE(std::filesystem::is_directory(Name("dir")));
}

// The system turns these names into other ones ("a." into "a", "CON" into the console); they are
// refused, and the file they would reach is untouched.
TEST_F(WindowsFiles, NamesTheSystemWouldChangeAreRefused) {
  for (const std::string& name :
       {Name("a."), Name("a "), Name("a. . "), Name("CON"), Name("nul.txt"), Name("Com1.2crypt"),
        Name("lpt9"), Name("conout$"), Name("a.\\b"), std::string("a."), std::string("NUL"),
        std::string("a\0b", 3)}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(CreateOrEmptyFile(name).error, kInvalidName);
    EXPECT_EQ(OpenExistingFile(name, FileAccess::Read).error, kInvalidName);
    EXPECT_EQ(RemoveFile(name), kInvalidName);
  }
  EXPECT_EQ(ReadFileBytes(Name("a")), kContent);
  // Names that only look alike are ordinary names.
  for (const std::string& name : {Name("console"), Name("a.b"), Name(".a"), Name("com10")}) {
    SCOPED_TRACE(name);
    const OpenedFile file = CreateOrEmptyFile(name);
    EXPECT_GE(file.handle, 0) << SystemErrorText(file.error);
    EXPECT_EQ(CloseFile(file.handle), 0);
  }
}

TEST_F(WindowsFiles, ReadsAndWritesBeyondTheClassicPathLength) {
  std::string directory = directory_.Path().string();
  while (directory.size() < 300)
    directory += "\\" + std::string(40, 'd');
  std::filesystem::create_directories(std::filesystem::path("\\\\?\\" + directory));
  const std::string name = directory + "\\..\\" + std::string(40, 'd') + "\\long.txt";
  ASSERT_GT(name.size(), 260u);

  TRijndael cipher;
  cipher.GenerateKey("pw");
  cipher.EncryptFile(WidenSystemText(Name("a")), WidenSystemText(name + ".2crypt"));
  cipher.DecryptFile(WidenSystemText(name + ".2crypt"), WidenSystemText(name));
  const OpenedFile file = OpenExistingFile(directory + "\\long.txt", FileAccess::Read);
  ASSERT_GE(file.handle, 0) << SystemErrorText(file.error);
  std::string content(kContent.size() + 1, '\0');
  EXPECT_EQ(ReadFromFile(file.handle, content.data(), static_cast<int32_t>(content.size())).Bytes,
            static_cast<int32_t>(kContent.size()));
  EXPECT_EQ(content.substr(0, kContent.size()), kContent);
  EXPECT_EQ(CloseFile(file.handle), 0);
}

TEST_F(WindowsFiles, AMissingInputNamesItsFullPathAndTheSystemsReason) {
  TRijndael cipher;
  cipher.GenerateKey("pw");
  const std::string missing = Name("sub\\..\\missing.2crypt");
  try {
    cipher.DecryptFile(WidenSystemText(missing), WidenSystemText(Name("out")));
    ADD_FAILURE() << "nothing was raised";
  } catch (const EFOpenError& error) {
    EXPECT_EQ(error.Message(), "Cannot open file \"" + Name("missing.2crypt") + "\". " +
                                   SystemErrorText(2));  // ERROR_FILE_NOT_FOUND
  }
  EXPECT_FALSE(std::filesystem::exists(Name("out")));
  // The system's text, without the line break its table ends it with.
  const std::string text = SystemErrorText(2);
  EXPECT_FALSE(text.empty());
  EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos);
  EXPECT_EQ(SystemErrorText(0x2FFFFFFF), "Unspecified error (805306367) from system.");
}

TEST_F(WindowsFiles, AReadAtAnOffsetLeavesThePositionWhereItWas) {
  const OpenedFile file = OpenExistingFile(Name("a"), FileAccess::Read);
  ASSERT_GE(file.handle, 0);
  char head[3] = {};
  ASSERT_EQ(ReadFromFile(file.handle, head, 3).Bytes, 3);
  char tail[4] = {};
  const FileTransfer atEnd = ReadFromFileAt(file.handle, 12, tail, 4);
  EXPECT_EQ(std::string(tail, 4), kContent.substr(12));
  EXPECT_EQ(atEnd.Error, 0);
  EXPECT_EQ(ReadFromFileAt(file.handle, 100, tail, 4).Bytes, 0);  // past the end: nothing, no error
  EXPECT_EQ(SeekFile(file.handle, 0, SeekOrigin::Current), 3);
  EXPECT_EQ(LengthOfFile(file.handle).Bytes, static_cast<int64_t>(kContent.size()));
  EXPECT_EQ(CloseFile(file.handle), 0);
}

TEST_F(WindowsFiles, AnExclusiveFileIsNeverAnExistingOne) {
  EXPECT_EQ(CreateExclusiveFile(Name("a")).error, 80);  // ERROR_FILE_EXISTS
  EXPECT_EQ(ReadFileBytes(Name("a")), kContent);
  const OpenedFile file = CreateExclusiveFile(Name("new"));
  ASSERT_GE(file.handle, 0);
  EXPECT_EQ(WriteToFile(file.handle, "xyz", 3).Bytes, 3);
  EXPECT_EQ(CloseFile(file.handle), 0);
  EXPECT_EQ(RemoveFile(Name("new")), 0);
  EXPECT_FALSE(std::filesystem::exists(Name("new")));
}

}  // namespace
}  // namespace ostrel
