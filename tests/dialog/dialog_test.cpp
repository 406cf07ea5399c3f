// ostrel-decrypt's dialog used as a person uses it: the real program on a display of its own,
// driven by real key presses and clicks, working on real files.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <optional>
#include <thread>

#include "child_process.h"
#include "desktop_user.h"
#include "support/process.h"
#include "support/temporary_directory.h"
#include "virtual_display.h"

namespace ostrel {
namespace {

using namespace std::chrono_literals;
using testing_support::ChildProcess;
using testing_support::Colour;
using testing_support::DesktopUser;
using testing_support::Environment;
using testing_support::ReadFileBytes;
using testing_support::TemporaryDirectory;
using testing_support::VirtualDisplay;
using testing_support::WindowId;
using testing_support::WriteFileBytes;

const std::string kProgram = std::string(OSTREL_BINARY_DIR) + "/ostrel-decrypt";
const std::string kArtifacts = OSTREL_DIALOG_ARTIFACT_DIR;
const std::string kTitle = "Ostrel Decryption/Encryption Utility";
const std::string kOpenDialog = "Select a file";     // the toolkit's own title
const std::string kErrorCaption = "ostrel-decrypt";  // the application title: the program's name
constexpr auto kPatience = DesktopUser::kPatience;

// The centres of the controls, in client pixels at 96 dots per inch.
struct Point {
  int X;
  int Y;
};
constexpr Point kFileField{108 + 148, 21 + 10};
constexpr Point kPassphraseField{108 + 148, 53 + 10};
constexpr Point kFolderButton{407 + 11, 21 + 10};
constexpr Point kDecrypt{16 + 32, 90 + 11};
constexpr Point kEncrypt{108 + 32, 90 + 11};
constexpr Point kClose{360 + 32, 90 + 11};

// The program in a session without a desktop around it: GTK gets no settings daemon and no
// accessibility bus to look for, and the toolkit's leaks at exit are not ours to report.
Environment ProgramEnvironment(const std::string& display) {
  return {{{"DISPLAY", display},
           {"GSETTINGS_BACKEND", "memory"},
           {"NO_AT_BRIDGE", "1"},
           {"LSAN_OPTIONS", std::string("suppressions=") + OSTREL_DIALOG_LSAN_SUPPRESSIONS +
                                ":print_suppressions=0"}},
          {"WAYLAND_DISPLAY"}};
}

std::string SampleBytes(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i)
    bytes[i] = static_cast<char>(i * 131 + i / 7);
  return bytes;
}

std::uintmax_t EncryptedSize(std::size_t plainSize) {
  return (plainSize / 16 + 1) * 16;
}

template <typename Condition>
bool WaitUntil(Condition condition, std::chrono::milliseconds timeout = kPatience) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= deadline)
      return false;
    std::this_thread::sleep_for(20ms);
  }
  return true;
}

bool FileHolds(const std::string& path, const std::string& bytes) {
  std::error_code error;
  if (std::filesystem::file_size(path, error) != bytes.size() || error)
    return false;
  return ReadFileBytes(path) == bytes;
}

bool FileHasSize(const std::string& path, std::uintmax_t size) {
  std::error_code error;
  return std::filesystem::file_size(path, error) == size && !error;
}

// How many pixels are close to colour: enough of them show that an icon was drawn.
std::size_t PixelsLike(const std::vector<Colour>& pixels, Colour colour) {
  return static_cast<std::size_t>(std::count_if(pixels.begin(), pixels.end(), [&](Colour c) {
    return std::abs(c.Red - colour.Red) < 40 && std::abs(c.Green - colour.Green) < 40 &&
           std::abs(c.Blue - colour.Blue) < 40;
  }));
}
constexpr Colour kWarningYellow{0xFF, 0xD0, 0x20};
constexpr Colour kStopRed{0xE0, 0x20, 0x20};

// Holds a request at the creation of its output: the output exists under the test's lease, and
// opening it for writing waits until the test lets go, so the request runs until then. The lease
// break's signal is no concern of the test.
class OutputLease {
 public:
  explicit OutputLease(const std::string& path) {
    WriteFileBytes(path, "");
    signal(SIGIO, SIG_IGN);
    handle_ = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    held_ = handle_ >= 0 && fcntl(handle_, F_SETLEASE, F_RDLCK) == 0;
    error_ = held_ ? 0 : errno;
  }
  ~OutputLease() { Release(); }
  OutputLease(const OutputLease&) = delete;
  OutputLease& operator=(const OutputLease&) = delete;

  bool Held() const { return held_; }
  std::string Error() const { return std::string("no lease: ") + strerror(error_); }
  void Release() {
    if (handle_ < 0)
      return;
    fcntl(handle_, F_SETLEASE, F_UNLCK);
    close(handle_);
    handle_ = -1;
  }

 private:
  int handle_ = -1;
  bool held_ = false;
  int error_ = 0;
};

class Dialog : public testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(kArtifacts);
    StartProgram();
  }

  // Every run ends as a person ends it, and the program must then end cleanly: with code 0, and
  // in the sanitizer build without leaks or memory errors on the way out.
  void TearDown() override {
    if (HasFailure() || !program_ || !program_->Running())
      return;
    user_.RequestClose(window_);
    EXPECT_EQ(program_->WaitForExit(kPatience), 0) << program_->Output();
  }

  void StartProgram() {
    program_.emplace(kProgram, std::vector<std::string>{"ostrel-decrypt"},
                     ProgramEnvironment(display_.Name()), directory_.Path().string());
    const std::optional<WindowId> window = user_.WaitForWindow(kTitle);
    ASSERT_TRUE(window) << program_->Output();
    window_ = *window;
    user_.Focus(window_);
  }

  std::string Path(const std::string& name) const { return directory_ / name; }

  void Click(Point point) const { user_.Click(window_, point.X, point.Y); }

  // Replaces what a field holds with text, as a person does: click, select all, type.
  void FillField(Point field, const std::string& text) const {
    Click(field);
    user_.Press({"ctrl+a", "BackSpace"});
    if (!text.empty())
      user_.Type(text);
  }

  // Closes a message box with OK and returns what it said (its caption and text, a line each).
  std::string ReadAndCloseBox(WindowId box, const std::string& caption) const {
    user_.Focus(box);
    user_.Press({"ctrl+c"});
    const std::string said = user_.ClipboardText();
    user_.Press({"Return"});
    EXPECT_TRUE(user_.WaitUntilNoWindow(caption)) << caption;
    return said;
  }

  // For a short while: no message box and no progress window appears, and the dialog stays.
  void ExpectNothingHappens() const {
    const auto until = std::chrono::steady_clock::now() + 400ms;
    while (std::chrono::steady_clock::now() < until) {
      ASSERT_TRUE(user_.WindowsTitled("NOTE").empty());
      ASSERT_TRUE(user_.WindowsTitled(kErrorCaption).empty());
      ASSERT_FALSE(user_.WindowsTitled(kTitle).empty());
    }
  }

  VirtualDisplay display_;
  DesktopUser user_{display_.Name()};
  TemporaryDirectory directory_;
  std::optional<ChildProcess> program_;
  WindowId window_ = 0;
};

TEST_F(Dialog, OpensCentredAtItsFixedSize) {
  const testing_support::WindowGeometry geometry = user_.Geometry(window_);
  EXPECT_EQ(geometry.Width, 469);
  EXPECT_EQ(geometry.Height, 129);
  EXPECT_NEAR(geometry.Left, (VirtualDisplay::kScreenWidth - 469) / 2, 1);
  EXPECT_NEAR(geometry.Top, (VirtualDisplay::kScreenHeight - 129) / 2, 1);
  // Not resizable: the smallest and the largest size are the size.
  const auto limits = user_.SizeLimitsOf(window_);
  ASSERT_TRUE(limits);
  EXPECT_EQ(limits->MinWidth, 469);
  EXPECT_EQ(limits->MaxWidth, 469);
  EXPECT_EQ(limits->MinHeight, 129);
  EXPECT_EQ(limits->MaxHeight, 129);

  // A picture of the filled-in dialog, to be looked at.
  user_.Type("/home/user/Documents/report.doc.2crypt");
  user_.Press({"Tab", "Tab", "Tab"});
  user_.Type("secret");
  user_.SaveScreenshot(window_, kArtifacts + "/dialog.png");
}

TEST_F(Dialog, EncryptsAndDecryptsBackByteForByteKeepingTheFields) {
  const std::string plain = SampleBytes(100'003);
  const std::string name = "report \u00fc.doc";  // typed names are not only ASCII
  WriteFileBytes(Path(name), plain);
  const std::string encrypted = Path(name + ".2crypt");

  user_.Type(Path(name));              // the focus starts in the file field
  user_.Press({"Tab", "Tab", "Tab"});  // Decrypt, Close, then the pass-phrase field
  user_.Type("pass phrase \u00fc");
  user_.Press({"Tab", "space"});  // Encrypt comes last
  ASSERT_TRUE(WaitUntil([&] { return FileHasSize(encrypted, EncryptedSize(plain.size())); }));

  // The fields kept their contents: the same press makes the same file again.
  const std::string first = ReadFileBytes(encrypted);
  std::filesystem::remove(encrypted);
  Click(kEncrypt);
  ASSERT_TRUE(WaitUntil([&] { return FileHolds(encrypted, first); }));

  // The pass phrase went in exactly as typed: the command line reads the file with it.
  std::filesystem::create_directory(Path("check"));
  std::filesystem::copy_file(encrypted, Path("check/copy.doc.2crypt"));
  const auto result =
      testing_support::RunProcess(kProgram, {Path("check/copy.doc.2crypt"), "pass phrase \u00fc"});
  ASSERT_EQ(result.ExitCode, 0) << result.Stderr;
  EXPECT_TRUE(FileHolds(Path("check/copy.doc"), plain));

  std::filesystem::rename(Path(name), Path("original.doc"));
  FillField(kFileField, encrypted);
  Click(kDecrypt);
  EXPECT_TRUE(WaitUntil([&] { return FileHolds(Path(name), plain); }));
}

TEST_F(Dialog, ShowsNotesAndErrorsInModalBoxesAndStaysUsable) {
  WriteFileBytes(Path("damaged.txt.2crypt"), "short");
  const struct {
    const char* what;
    std::string fileField;
    Point button;
    std::string caption;
    std::string text;
    Colour icon;
  } cases[] = {
      {"decrypt with an empty file field", "", kDecrypt, "NOTE", "No encryption detected.",
       kWarningYellow},
      {"a damaged file", Path("damaged.txt.2crypt"), kDecrypt, kErrorCaption,
       "Invalid file format.", kStopRed},
      {"a file that is not there", Path("missing.txt"), kEncrypt, kErrorCaption,
       "Cannot open file \"" + Path("missing.txt") + "\". No such file or directory.", kStopRed},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    FillField(kFileField, c.fileField);
    Click(c.button);
    const std::optional<WindowId> box = user_.WaitForWindow(c.caption);
    ASSERT_TRUE(box) << program_->Output();
    EXPECT_EQ(user_.OwnerOf(*box), window_);
    EXPECT_GT(PixelsLike(user_.Pixels(*box), c.icon), 100u) << "no icon";
    user_.SaveScreenshot(*box,
                         kArtifacts + (c.caption == "NOTE" ? "/note-box.png" : "/stop-box.png"));
    EXPECT_EQ(ReadAndCloseBox(*box, c.caption), c.caption + "\n" + c.text + "\n");
    ASSERT_TRUE(program_->Running());
    ASSERT_FALSE(user_.WindowsTitled(kTitle).empty());
  }
  EXPECT_FALSE(std::filesystem::exists(Path("missing.txt.2crypt")));

  // After OK the dialog works as before.
  WriteFileBytes(Path("after.txt"), "after");
  FillField(kFileField, Path("after.txt"));
  Click(kEncrypt);
  EXPECT_TRUE(WaitUntil([&] { return FileHasSize(Path("after.txt.2crypt"), 16); }));
}

TEST_F(Dialog, ABoxForALongPathWrapsToFitTheScreen) {
  // 200 characters and more without a blank: one line of it would be far wider than the screen.
  std::string missing = Path("");
  for (int i = 0; missing.size() < 200; ++i)
    missing += "folder" + std::to_string(i) + "/";
  missing += std::string(60, 'n') + ".txt";
  FillField(kFileField, missing);
  Click(kEncrypt);
  const std::optional<WindowId> box = user_.WaitForWindow(kErrorCaption);
  ASSERT_TRUE(box) << program_->Output();
  const testing_support::WindowGeometry geometry = user_.Geometry(*box);
  user_.SaveScreenshot(*box, kArtifacts + "/long-path-box.png");
  EXPECT_GE(geometry.Left, 0);
  EXPECT_LE(geometry.Left + geometry.Width, VirtualDisplay::kScreenWidth);
  EXPECT_GE(geometry.Top, 0);
  EXPECT_LE(geometry.Top + geometry.Height, VirtualDisplay::kScreenHeight);
  // The icon is drawn, in the box, and the text comes through whole.
  EXPECT_GT(PixelsLike(user_.Pixels(*box), kStopRed), 100u) << "no icon";
  EXPECT_EQ(ReadAndCloseBox(*box, kErrorCaption),
            kErrorCaption + "\nCannot open file \"" + missing + "\". No such file or directory.\n");
}

TEST_F(Dialog, EnterAndEscapePressNoButton) {
  WriteFileBytes(Path("plain.txt"), "text");
  user_.Type(Path("plain.txt"));
  user_.Press({"Return"});
  ExpectNothingHappens();
  user_.Press({"Tab", "Tab", "Tab"});
  user_.Type("pw");
  user_.Press({"Return"});
  ExpectNothingHappens();
  user_.Press({"Escape"});
  ExpectNothingHappens();
  EXPECT_FALSE(std::filesystem::exists(Path("plain.txt.2crypt")));

  // Everything typed so far has been handled: the next click is answered at once.
  Click(kDecrypt);
  const std::optional<WindowId> note = user_.WaitForWindow("NOTE");
  ASSERT_TRUE(note);
  EXPECT_EQ(ReadAndCloseBox(*note, "NOTE"), "NOTE\nNo encryption detected.\n");
  EXPECT_EQ(user_.WindowsTitled("NOTE").size(), 0u);
  EXPECT_TRUE(program_->Running());
}

TEST_F(Dialog, CloseAndTheCloseBoxEndTheProgramWithZero) {
  Click(kClose);
  EXPECT_EQ(program_->WaitForExit(kPatience), 0) << program_->Output();

  StartProgram();
  user_.RequestClose(window_);
  EXPECT_EQ(program_->WaitForExit(kPatience), 0) << program_->Output();
}

TEST_F(Dialog, FolderButtonPutsTheChosenFileInTheFileField) {
  WriteFileBytes(Path("chosen.txt"), "chosen");
  const std::string encrypted = Path("chosen.txt.2crypt");
  user_.Type("typed.txt");

  Click(kFolderButton);
  std::optional<WindowId> chooser = user_.WaitForWindow(kOpenDialog);
  ASSERT_TRUE(chooser) << program_->Output();
  user_.Focus(*chooser);
  user_.Press({"ctrl+l", "ctrl+a"});  // the open dialog's location field
  user_.Type(Path("chosen.txt"));
  // Return may first take the completion that the location field offers, then open the file.
  bool chosen = false;
  for (int attempt = 0; attempt < 5 && !chosen; ++attempt) {
    user_.Press({"Return"});
    chosen = user_.WaitUntilNoWindow(kOpenDialog, 2s);
  }
  ASSERT_TRUE(chosen);
  Click(kEncrypt);
  ASSERT_TRUE(WaitUntil([&] { return FileHasSize(encrypted, 16); })) << program_->Output();

  // Cancelling the open dialog leaves the field as it was.
  std::filesystem::remove(encrypted);
  Click(kFolderButton);
  chooser = user_.WaitForWindow(kOpenDialog);
  ASSERT_TRUE(chooser);
  user_.Focus(*chooser);
  // Escape may first close what the location field offers, then the open dialog.
  bool cancelled = false;
  for (int attempt = 0; attempt < 5 && !cancelled; ++attempt) {
    user_.Press({"Escape"});
    cancelled = user_.WaitUntilNoWindow(kOpenDialog, 2s);
  }
  ASSERT_TRUE(cancelled);
  Click(kEncrypt);
  EXPECT_TRUE(WaitUntil([&] { return FileHasSize(encrypted, 16); }));
  EXPECT_FALSE(std::filesystem::exists(Path("typed.txt.2crypt")));
}

TEST_F(Dialog, LongRequestShowsProgressAndTakesNoInputUntilItEnds) {
  const std::string plain = SampleBytes(300'000);
  WriteFileBytes(Path("big.bin"), plain);
  OutputLease lease(Path("big.bin.2crypt"));
  ASSERT_TRUE(lease.Held()) << lease.Error();

  user_.Type(Path("big.bin"));
  user_.Press({"Tab", "Tab", "Tab"});
  user_.Type("pw");
  Click(kEncrypt);
  const std::optional<WindowId> progress = user_.WaitForWindow("Encrypting");
  ASSERT_TRUE(progress) << program_->Output();
  EXPECT_EQ(user_.OwnerOf(*progress), window_);
  user_.SaveScreenshot(*progress, kArtifacts + "/progress.png");

  // Meanwhile the dialog takes no input: neither Close nor the close boxes end anything.
  Click(kClose);
  user_.RequestClose(window_);
  user_.RequestClose(*progress);
  user_.Focus(*progress);
  user_.Press({"Escape"});

  lease.Release();
  EXPECT_TRUE(user_.WaitUntilNoWindow("Encrypting"));
  EXPECT_TRUE(program_->Running());
  EXPECT_FALSE(user_.WindowsTitled(kTitle).empty());

  std::filesystem::copy_file(Path("big.bin.2crypt"), Path("copy.bin.2crypt"));
  const auto result = testing_support::RunProcess(kProgram, {Path("copy.bin.2crypt"), "pw"});
  ASSERT_EQ(result.ExitCode, 0) << result.Stderr;
  EXPECT_TRUE(FileHolds(Path("copy.bin"), plain));
}

TEST_F(Dialog, CancelStopsALongRequestAndRemovesItsPartialOutput) {
  // Cancel is pressed while the request is held, and the request stops at its first read after.
  const std::string plain = SampleBytes(3'000'000);
  WriteFileBytes(Path("big.bin"), plain);
  OutputLease lease(Path("big.bin.2crypt"));
  ASSERT_TRUE(lease.Held()) << lease.Error();

  FillField(kFileField, Path("big.bin"));
  Click(kEncrypt);
  const std::optional<WindowId> progress = user_.WaitForWindow("Encrypting");
  ASSERT_TRUE(progress) << program_->Output();
  // Cancel is the window's one button, and has the focus.
  user_.Focus(*progress);
  user_.Press({"space"});
  user_.SaveScreenshot(*progress, kArtifacts + "/progress-cancelled.png");
  lease.Release();

  const std::optional<WindowId> note = user_.WaitForWindow("NOTE");
  ASSERT_TRUE(note) << program_->Output();
  EXPECT_EQ(ReadAndCloseBox(*note, "NOTE"),
            "NOTE\nStopped. The partial file \"" + Path("big.bin.2crypt") + "\" was removed.\n");
  EXPECT_TRUE(user_.WaitUntilNoWindow("Encrypting"));
  EXPECT_FALSE(std::filesystem::exists(Path("big.bin.2crypt")));
  EXPECT_TRUE(FileHolds(Path("big.bin"), plain));

  // The dialog is usable again, and the same request now runs to its end.
  Click(kEncrypt);
  EXPECT_TRUE(
      WaitUntil([&] { return FileHasSize(Path("big.bin.2crypt"), EncryptedSize(plain.size())); }));
}

TEST(DialogInALatinOneLocale, TypesTheNameAndPassPhraseTheCommandLineGives) {
  // In a locale whose encoding is ISO-8859-1, "é" on the command line is the one byte 0xE9: the
  // dialog must turn what is typed into the same bytes, or one pass phrase gives two keys.
  TemporaryDirectory directory;
  const std::string locales = directory / "locales";
  std::filesystem::create_directory(locales);
  const auto made = testing_support::RunProcess(
      "/usr/bin/localedef", {"-i", "en_US", "-f", "ISO-8859-1", locales + "/en_US.ISO-8859-1"});
  ASSERT_EQ(made.ExitCode, 0) << "cannot make the test's locale: " << made.Stderr;
  const std::string latinName = "r\xe9sum\xe9.txt";
  const std::string latinPassphrase = "p\xe4ssw\xf6rd";
  const std::string plain = SampleBytes(5'000);
  WriteFileBytes(directory / latinName, plain);
  WriteFileBytes(directory / "copy.txt", plain);

  VirtualDisplay display;
  const DesktopUser user(display.Name());
  Environment environment = ProgramEnvironment(display.Name());
  environment.Set["LOCPATH"] = locales;
  environment.Set["LC_ALL"] = "en_US.ISO-8859-1";
  ChildProcess program(kProgram, {"ostrel-decrypt"}, environment, directory.Path().string());
  const std::optional<WindowId> window = user.WaitForWindow(kTitle);
  ASSERT_TRUE(window) << program.Output();
  user.Focus(*window);
  user.Type((directory / "r\u00e9sum\u00e9.txt"));
  user.Press({"Tab", "Tab", "Tab"});
  user.Type("p\u00e4ssw\u00f6rd");
  user.Press({"Tab", "space"});
  const std::string encrypted = directory / (latinName + ".2crypt");
  ASSERT_TRUE(WaitUntil([&] { return FileHasSize(encrypted, EncryptedSize(plain.size())); }))
      << program.Output();

  const auto result =
      testing_support::RunProcess(kProgram, {"/E", directory / "copy.txt", latinPassphrase});
  ASSERT_EQ(result.ExitCode, 0) << result.Stderr;
  EXPECT_EQ(ReadFileBytes(encrypted), ReadFileBytes(directory / "copy.txt.2crypt"));

  user.RequestClose(*window);
  EXPECT_EQ(program.WaitForExit(kPatience), 0) << program.Output();
}

TEST(DialogWithoutDisplay, SaysSoInOneLineAndExitsWithTwo) {
  ChildProcess program(
      kProgram, {"ostrel-decrypt"},
      {{{"LSAN_OPTIONS", std::string("suppressions=") + OSTREL_DIALOG_LSAN_SUPPRESSIONS}},
       {"DISPLAY", "WAYLAND_DISPLAY"}});
  EXPECT_EQ(program.WaitForExit(kPatience), 2);
  const std::string output = program.Output();
  EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 1) << output;
  EXPECT_NE(output.find("no display"), std::string::npos) << output;
}

// The dialog is a module of its own: a command-line run loads none of the windowing libraries,
// dialog mode loads them (the dynamic loader names every library it loads).
TEST(DialogModule, OnlyDialogModeLoadsTheWindowingLibraries) {
  TemporaryDirectory directory;
  WriteFileBytes(directory / "plain.txt", SampleBytes(1000));
  struct Case {
    std::vector<std::string> Arguments;
    int ExitCode;
    bool LoadsToolkit;
  };
  const Case cases[] = {
      {{"ostrel-decrypt", "/E", directory / "plain.txt", "pw"}, 0, false},
      {{"ostrel-decrypt", directory / "plain.txt.2crypt", "pw"}, 0, false},
      {{"ostrel-decrypt", directory / "missing.2crypt", "pw"}, 1, false},
      {{"ostrel-decrypt"}, 2, true},  // no display: the module says so
  };
  for (const Case& run : cases) {
    ChildProcess program(
        kProgram, run.Arguments,
        {{{"LD_DEBUG", "files"},
          {"LSAN_OPTIONS", std::string("suppressions=") + OSTREL_DIALOG_LSAN_SUPPRESSIONS}},
         {"DISPLAY", "WAYLAND_DISPLAY"}});
    EXPECT_EQ(program.WaitForExit(kPatience), run.ExitCode) << program.Output();
    const std::string output = program.Output();
    ASSERT_NE(output.find("libstdc++"), std::string::npos) << "the loader named no library";
    for (const char* library : {"libwx_", "libgtk-3", "libX11"}) {
      EXPECT_EQ(output.find(library) != std::string::npos, run.LoadsToolkit)
          << run.Arguments.size() << " arguments, " << library;
    }
  }
}

// A program installed without its dialog's module still does its command-line jobs, and dialog
// mode tells why it cannot open instead of failing at start-up.
TEST(DialogModule, WithoutItTheCommandLineWorksAndTheDialogSaysWhy) {
  TemporaryDirectory directory;
  const std::string program = directory / "ostrel-decrypt";
  std::filesystem::copy_file(kProgram, program);
  const std::string plain = SampleBytes(5000);
  WriteFileBytes(directory / "notes.txt", plain);

  auto result = testing_support::RunProcess(program, {"/E", directory / "notes.txt", "pw"});
  ASSERT_EQ(result.ExitCode, 0) << result.Stderr;
  std::filesystem::rename(directory / "notes.txt", directory / "original.txt");
  result = testing_support::RunProcess(program, {directory / "notes.txt.2crypt", "pw"});
  ASSERT_EQ(result.ExitCode, 0) << result.Stderr;
  EXPECT_EQ(ReadFileBytes(directory / "notes.txt"), plain);

  ChildProcess dialog(program, {"ostrel-decrypt"}, {{}, {"DISPLAY", "WAYLAND_DISPLAY"}});
  EXPECT_EQ(dialog.WaitForExit(kPatience), 2);
  const std::string output = dialog.Output();
  EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 1) << output;
  EXPECT_EQ(output.rfind("ostrel-decrypt: cannot open the dialog: ", 0), 0u) << output;
  EXPECT_NE(output.find("ostrel-decrypt-dialog.so"), std::string::npos) << output;
}

// "--help" is no command-line form, so it opens the dialog; where none can open, the user still
// learns the forms that work.
TEST(DialogWithoutDisplay, HelpShowsTheCommandLineForms) {
  ChildProcess program(
      kProgram, {"ostrel-decrypt", "--help"},
      {{{"LSAN_OPTIONS", std::string("suppressions=") + OSTREL_DIALOG_LSAN_SUPPRESSIONS}},
       {"DISPLAY", "WAYLAND_DISPLAY"}});
  EXPECT_EQ(program.WaitForExit(kPatience), 2);
  const std::string output = program.Output();
  EXPECT_NE(
      output.find("usage: ostrel-decrypt /E PATH PASSPHRASE | ostrel-decrypt PATH PASSPHRASE"),
      std::string::npos)
      << output;
}

}  // namespace
}  // namespace ostrel
