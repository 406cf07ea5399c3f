// What a crafted tree, a planted link, a stray signal or a broken standard output can do to a
// run: nothing is written outside where the run was asked to write, no temporary file stays, and
// every failure is reported as one.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tool_fixture.h"

namespace ostrel::testing_support {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

std::string EncryptedText(const std::string& plain) {
  return EncryptWithLibrary(EncryptionMethod::kRijndael, plain, kPassphrase);
}

mode_t ModeOf(const std::string& path) {
  struct stat status {};
  EXPECT_EQ(lstat(path.c_str(), &status), 0) << path;
  return status.st_mode & 07777;
}

// Runs a shell script in the directory, with $OSTREL naming the program and the pass phrase in
// OSTREL_PW: for redirections and a creation mask of the script's choosing.
ToolRun Script(const ToolTest& test, const std::string& directory, const std::string& script,
               std::vector<std::pair<std::string, std::string>> environment = {}) {
  ToolCall call;
  call.Arguments = {"-c", script};
  environment.emplace_back("OSTREL", kOstrel);
  environment.emplace_back("OSTREL_PW", kPassphrase);
  call.Environment = std::move(environment);
  call.WorkingDirectory = directory;
  (void)test;
  return RunTool("/bin/sh", call);
}

// Runs ostrel with standard output on the given handle and SIGPIPE ignored, so that a closed pipe
// shows as the error EPIPE; returns the exit code and what it wrote on standard error.
ToolRun OstrelWritingTo(int output, const std::string& directory,
                        const std::vector<std::string>& arguments) {
  const std::string errors = directory + "/.stderr";
  const pid_t pid = fork();
  if (pid == 0) {
    if (chdir(directory.c_str()) != 0)
      _exit(126);
    const int error = open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int none = open("/dev/null", O_RDONLY);
    dup2(none, 0);
    dup2(output, 1);
    dup2(error, 2);
    setsid();
    signal(SIGPIPE, SIG_IGN);
    setenv("OSTREL_PW", kPassphrase, 1);
    std::vector<char*> argv{const_cast<char*>(kOstrel.c_str())};
    for (const std::string& argument : arguments)
      argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    execv(kOstrel.c_str(), argv.data());
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  ToolRun run;
  run.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.Signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
  run.Stderr = ReadFileBytes(errors);
  fs::remove(errors);
  return run;
}

// A mirrored directory under -o that is a symbolic link (planted, or swapped in for the directory
// the run made) is not followed: the file fails and nothing is written where the link points.
TEST_F(ToolTest, AMirroredDirectoryThatIsALinkIsNotFollowed) {
  Write("tree/z/a.2crypt", EncryptedText("plain"));
  fs::create_directories(PathOf("outside"));
  fs::create_directories(PathOf("out"));
  fs::create_directory_symlink("../outside", PathOf("out/z"));

  const ToolRun run = OstrelKeyed({"decrypt", "-r", "tree", "-o", "out", "--force"});

  EXPECT_EQ(run.ExitCode, 1);
  EXPECT_THAT(run.Stderr, HasSubstr("tree/z/a.2crypt: cannot open directory out/z: "));
  EXPECT_TRUE(fs::is_empty(PathOf("outside")));
  EXPECT_THAT(TemporaryLeftovers(), IsEmpty());
}

// A symbolic link at the output name is replaced by the output itself with --force; the file it
// points to is never written.
// "link/../a.2crypt" reads the a.2crypt beside the link's target, as the system resolves "..":
// the output goes there too, not over a file of the directory that holds the link.
TEST_F(ToolTest, DotDotAfterALinkPutsTheOutputBesideTheFileActuallyRead) {
  std::filesystem::create_directories(PathOf("elsewhere/x"));
  Write("elsewhere/a.2crypt", EncryptWithLibrary(EncryptionMethod::kRijndael, "read", kPassphrase));
  std::filesystem::create_directory_symlink("elsewhere/x", PathOf("link"));
  Write("a", "not to be replaced");

  const ToolRun run = OstrelKeyed({"decrypt", "--force", "link/../a.2crypt"});

  EXPECT_EQ(run.ExitCode, 0) << run.Stderr;
  EXPECT_EQ(Read("elsewhere/a"), "read");
  EXPECT_EQ(Read("a"), "not to be replaced");
}

TEST_F(ToolTest, ALinkAtTheOutputNameIsReplacedNotFollowed) {
  Write("a.2crypt", EncryptedText("new"));
  Write("elsewhere/victim", "kept");
  fs::create_symlink("elsewhere/victim", PathOf("a"));

  const ToolRun run = OstrelKeyed({"decrypt", "--force", "a.2crypt"});

  EXPECT_EQ(run.ExitCode, 0) << run.Stderr;
  EXPECT_FALSE(fs::is_symlink(PathOf("a")));
  EXPECT_EQ(Read("a"), "new");
  EXPECT_EQ(Read("elsewhere/victim"), "kept");
}

// New outputs get the input's read/write bits plus the owner's, less the creation mask of the
// process that writes them (not of the test).
TEST_F(ToolTest, NewOutputsFollowTheWritersCreationMask) {
  Write("a.2crypt", EncryptedText("a"));
  chmod(PathOf("a.2crypt").c_str(), 0666);
  const struct {
    const char* mask;
    mode_t expected;
  } cases[] = {{"027", 0640}, {"002", 0664}, {"077", 0600}};
  for (const auto& test : cases) {
    const ToolRun run = Script(*this, directory_.Path().string(),
                               std::string("umask ") + test.mask +
                                   "; exec \"$OSTREL\" decrypt --force --passphrase-env OSTREL_PW "
                                   "a.2crypt");
    ASSERT_EQ(run.ExitCode, 0) << run.Stderr;
    EXPECT_EQ(ModeOf(PathOf("a")), test.expected) << "umask " << test.mask;
  }
}

ToolCall FaultyCall(const std::string& directory, std::vector<std::string> arguments,
                    std::pair<std::string, std::string> fault) {
  ToolCall call;
  call.Arguments = std::move(arguments);
  call.Environment = {{"OSTREL_PW", kPassphrase},
                      {"LD_PRELOAD", OSTREL_FAULT_SHIM},
                      // The sanitizers' runtime need not come first for this test.
                      {"ASAN_OPTIONS", "verify_asan_link_order=0:detect_leaks=0"},
                      std::move(fault)};
  call.WorkingDirectory = directory;
  return call;
}

// A write error that the system reports only when the file is closed fails the file before the
// output gets its name.
TEST_F(ToolTest, AnErrorReportedOnlyByCloseFailsTheFile) {
  Write("a.2crypt", EncryptedText("plain"));

  const ToolRun run =
      RunTool(kOstrel, FaultyCall(directory_.Path().string(),
                                  {"decrypt", "--passphrase-env", "OSTREL_PW", "a.2crypt"},
                                  {"OSTREL_FAULT_CLOSE", "1"}));

  EXPECT_EQ(run.ExitCode, 1);
  EXPECT_THAT(run.Stderr, HasSubstr("a.2crypt: cannot write a: Input/output error"));
  EXPECT_FALSE(Exists("a"));
  EXPECT_THAT(TemporaryLeftovers(), IsEmpty());
}

// A disk that fails a flush fails the file, on either side of the rename, for trees decrypted and
// encrypted alike: before it (the data), no output appears; after it (the name), the output that
// got its name is not reported done. Either flush left out would let the run succeed.
TEST_F(ToolTest, AFailingFlushOnEitherSideOfTheRenameFailsTheFile) {
  Write("decrypt/sub/a.2crypt", EncryptedText("plain"));
  Write("encrypt/sub/a", "plain");
  const struct {
    const char* command;
    const char* output;  // below out/ of the command's directory, which mirrors sub/
  } commands[] = {{"decrypt", "a"}, {"encrypt", "a.2crypt"}};
  for (const auto& command : commands) {
    for (const std::string phase : {"before", "after"}) {
      const std::string where = directory_ / command.command;
      fs::remove_all(where + "/out");
      const ToolRun run = RunTool(kOstrel, FaultyCall(where,
                                                      {command.command, "--passphrase-env",
                                                       "OSTREL_PW", "-r", "sub", "-o", "out"},
                                                      {"OSTREL_FAULT_FLUSH", phase}));
      const std::string output = std::string("out/") + command.output;
      EXPECT_EQ(run.ExitCode, 1) << command.command << ", " << phase;
      EXPECT_THAT(run.Stderr, HasSubstr("cannot write " + output + ": Input/output error"))
          << command.command << ", " << phase;
      EXPECT_EQ(fs::exists(where + "/" + output), phase == "after")
          << command.command << ", " << phase;
      EXPECT_THAT(TemporaryLeftovers(), IsEmpty()) << command.command << ", " << phase;
    }
  }
}

// What reaches the disk with an output's data is the output as it will be named: its permission
// bits and time are set before the flush, not after, when a crash could still lose them. A
// directory the run makes is flushed in its parent before the run ends (a flush of the whole file
// system, or of the parent itself, after the directory was made).
TEST_F(ToolTest, OutputsAndTheDirectoriesMadeForThemAreFlushedWhole) {
  Write("src/deep/a.2crypt", EncryptedText("plain"));
  chmod(PathOf("src/deep/a.2crypt").c_str(), 0640);
  const auto old = fs::file_time_type::clock::now() - std::chrono::hours(24 * 400);
  fs::last_write_time(PathOf("src/deep/a.2crypt"), old);
  struct stat input {};
  ASSERT_EQ(stat(PathOf("src/deep/a.2crypt").c_str(), &input), 0);
  const std::string record = PathOf("record");

  const ToolRun run =
      Script(*this, directory_.Path().string(),
             "umask 022; exec \"$OSTREL\" decrypt --passphrase-env OSTREL_PW -r src -o new/out",
             {{"LD_PRELOAD", OSTREL_FAULT_SHIM},
              {"OSTREL_FAULT_RECORD", record},
              {"ASAN_OPTIONS", "verify_asan_link_order=0:detect_leaks=0"}});
  ASSERT_EQ(run.ExitCode, 0) << run.Stderr;
  ASSERT_EQ(Read("new/out/deep/a"), "plain");

  std::vector<std::string> steps;
  std::istringstream lines(Read("record"));
  for (std::string line; std::getline(lines, line);)
    steps.push_back(line);
  const std::string flushedAs = "file 640 " + std::to_string(input.st_mtim.tv_sec);
  EXPECT_THAT(steps, ::testing::Contains(flushedAs));
  EXPECT_THAT(steps, ::testing::Not(::testing::Contains(::testing::StartsWith("file 600"))));
  // Each directory made (new, new/out, new/out/deep) is followed by a flush of its parent.
  int made = 0;
  for (std::size_t index = 0; index < steps.size(); ++index) {
    if (!steps[index].starts_with("mkdir "))
      continue;
    ++made;
    const std::string parent = fs::path(steps[index].substr(6)).parent_path().string();
    const auto flushed = std::find_if(
        steps.begin() + static_cast<std::ptrdiff_t>(index) + 1, steps.end(),
        [&](const std::string& step) { return step == "all" || step == "directory " + parent; });
    EXPECT_NE(flushed, steps.end()) << steps[index] << " is never flushed in its parent";
  }
  EXPECT_EQ(made, 3);
}

// A file that appears under the output name while the output is written is kept without --force:
// the rename refuses it instead of replacing it.
TEST_F(ToolTest, AFileThatAppearsAtTheOutputNameMeanwhileIsKept) {
  Write("a.2crypt", EncryptedText("plain"));

  const ToolRun run =
      RunTool(kOstrel, FaultyCall(directory_.Path().string(),
                                  {"decrypt", "--passphrase-env", "OSTREL_PW", "a.2crypt"},
                                  {"OSTREL_FAULT_PLANT", "a"}));

  EXPECT_EQ(run.ExitCode, 1);
  EXPECT_THAT(run.Stderr, HasSubstr("output a exists"));
  EXPECT_EQ(Read("a"), "planted");
  EXPECT_THAT(TemporaryLeftovers(), IsEmpty());
}

// A file grown past the process's size limit is an ordinary write error: reported, cleaned up.
TEST_F(ToolTest, TheFileSizeLimitIsAWriteError) {
  ASSERT_TRUE(fs::exists("/usr/bin/prlimit")) << "prlimit (util-linux) is needed";
  Write("big", PatternBytes(100000));
  ToolCall call;
  call.Arguments = {"--fsize=4096", kOstrel, "encrypt", "--passphrase-env", "OSTREL_PW", "big"};
  call.Environment = {{"OSTREL_PW", kPassphrase}};
  call.WorkingDirectory = directory_.Path().string();

  const ToolRun run = RunTool("/usr/bin/prlimit", call);

  EXPECT_EQ(run.ExitCode, 1) << "signal " << run.Signal;
  EXPECT_THAT(run.Stderr, HasSubstr("big: cannot write big.2crypt: File too large"));
  EXPECT_FALSE(Exists("big.2crypt"));
  EXPECT_THAT(TemporaryLeftovers(), IsEmpty());
}

std::string HostTag() {
  char name[HOST_NAME_MAX + 1] = {};
  gethostname(name, sizeof name - 1);
  std::string tag;
  for (const char* at = name; *at != '\0' && tag.size() < 32; ++at)
    tag.push_back(std::isalnum(static_cast<unsigned char>(*at)) || *at == '.' ? *at : '_');
  return tag;
}

pid_t PidOfAnEndedProcess() {
  const pid_t pid = fork();
  if (pid == 0)
    _exit(0);
  waitpid(pid, nullptr, 0);
  return pid;
}

// A later run removes the temporary files that its user's processes on this machine left behind
// when they died, and no other file.
TEST_F(ToolTest, StaleTemporaryFilesOfEndedRunsAreRemoved) {
  Write("a.2crypt", EncryptedText("a"));
  const std::string random = "-0123456789abcdef.tmp";
  const std::string stale =
      ".ostrel-" + HostTag() + "-" + std::to_string(PidOfAnEndedProcess()) + random;
  const std::string ours = ".ostrel-" + HostTag() + "-";
  const std::string ended = std::to_string(PidOfAnEndedProcess());
  const std::vector<std::string> kept = {
      ours + std::to_string(getpid()) + random,  // a live process
      ".ostrel-other.host-" + ended + random,
      ours + "1x2" + random,
      ".ostrel-plain.tmp",
      // Layouts that no run writes, though an ended process of this machine seems to name them.
      ours + ended + "-0123456789abcdeg.tmp",
      ours + ended + "-0123456789ABCDEF.tmp",
      ours + ended + "-0123456789abcde.tmp",
      ours + ended + "-0123456789abcdef0.tmp",
      ours + "0" + ended + random,
      ours + ended + "-01234567-9abcdef.tmp",
  };
  Write(stale, "left behind");
  for (const std::string& name : kept)
    Write(name, "not ours to remove");

  ASSERT_EQ(OstrelKeyed({"decrypt", "a.2crypt"}).ExitCode, 0);

  EXPECT_FALSE(Exists(stale));
  for (const std::string& name : kept)
    EXPECT_TRUE(Exists(name)) << name;
}

// Every report on standard output is checked to its last byte: a full disk or a closed pipe
// behind it fails the run with the reason.
TEST_F(ToolTest, StandardOutputErrorsFailTheRun) {
  Write("a.2crypt", EncryptedText("a"));
  const std::vector<std::vector<std::string>> calls = {
      {"names", "a.2crypt"},
      {"names", "--json", "a.2crypt"},
      {"decrypt", "--dry-run", "a.2crypt"},
      {"decrypt", "--json", "--force", "--passphrase-env", "OSTREL_PW", "a.2crypt"},
      {"verify", "--json", "--passphrase-env", "OSTREL_PW", "a.2crypt"},
  };
  const int full = open("/dev/full", O_WRONLY | O_CLOEXEC);
  ASSERT_GE(full, 0);
  for (const std::vector<std::string>& arguments : calls) {
    const ToolRun onFullDisk = OstrelWritingTo(full, directory_.Path().string(), arguments);
    EXPECT_EQ(onFullDisk.ExitCode, 1) << ::testing::PrintToString(arguments);
    EXPECT_THAT(onFullDisk.Stderr,
                HasSubstr("cannot write standard output: No space left on device"));

    int ends[2];
    ASSERT_EQ(pipe2(ends, O_CLOEXEC), 0);
    close(ends[0]);
    const ToolRun intoClosedPipe = OstrelWritingTo(ends[1], directory_.Path().string(), arguments);
    close(ends[1]);
    EXPECT_EQ(intoClosedPipe.ExitCode, 1) << ::testing::PrintToString(arguments);
    EXPECT_THAT(intoClosedPipe.Stderr, HasSubstr("cannot write standard output: Broken pipe"));
  }
  close(full);
}

// A pass-phrase descriptor that cannot be read stops the run as having no pass phrase, instead
// of opening the files with an empty one.
TEST_F(ToolTest, AnUnreadablePassphraseDescriptorIsAnError) {
  Write("a.2crypt", EncryptedText("a"));
  fs::create_directory(PathOf("dir"));
  const std::string command = "\"$OSTREL\" decrypt a.2crypt --passphrase-fd ";
  const std::vector<std::string> scripts = {
      command + "5 5>written-only",
      command + "5 5<dir",
      command + "9",
  };
  for (const std::string& script : scripts) {
    const ToolRun run = Script(*this, directory_.Path().string(), script);
    EXPECT_EQ(run.ExitCode, 2) << script << "\n" << run.Stderr;
    EXPECT_FALSE(Exists("a")) << script;
  }
}

// Ctrl-C and Ctrl-\ at the prompt end the run at once, without Enter, by their signals, as they
// end any other program, and give the terminal back its echo: also where no file is written and
// nothing else catches the signals (a mount).
TEST_F(ToolTest, SignalKeysAtThePromptEndTheRunAtOnce) {
  Write("a.2crypt", EncryptedText("a"));
  Write("source/b.2crypt", EncryptedText("b"));
  std::filesystem::create_directory(PathOf("view"));
  const struct {
    std::vector<std::string> Arguments;
    const char* Keys;
    int Signal;
  } kCases[] = {
      {{"decrypt", "a.2crypt"}, "typed\x03", SIGINT},
      {{"decrypt", "a.2crypt"}, "\x1c", SIGQUIT},
      {{"mount", "-f", "source", "view"}, "typed\x03", SIGINT},
      {{"mount", "-f", "source", "view"}, "\x1c", SIGQUIT},
  };
  for (const auto& keyCase : kCases) {
    const std::string what = keyCase.Arguments[0] + " " + strsignal(keyCase.Signal);
    ToolCall call;
    call.Arguments = keyCase.Arguments;
    call.WorkingDirectory = directory_.Path().string();

    const PromptKeys typed = TypeAtThePrompt(kOstrel, call, keyCase.Keys);

    EXPECT_TRUE(typed.EndedByTheKeys) << what << ": still waiting for Enter";
    EXPECT_TRUE(typed.Interruption.EchoOffAtPrompt) << what;
    EXPECT_TRUE(typed.Interruption.EchoOnAfterwards) << what;
    EXPECT_EQ(typed.Interruption.Run.Signal, keyCase.Signal) << what;
    EXPECT_FALSE(Exists("a")) << what;
  }
}

// A signal that ends the run at the prompt must not leave the user's terminal without echo.
TEST_F(ToolTest, EndingSignalsAtThePromptGiveTheTerminalBackItsEcho) {
  Write("a.2crypt", EncryptedText("a"));
  ToolCall call;
  call.Arguments = {"decrypt", "a.2crypt"};
  call.WorkingDirectory = directory_.Path().string();

  for (const int signal : {SIGTERM, SIGHUP, SIGINT, SIGQUIT}) {
    const PromptInterruption interrupted = InterruptAtThePrompt(kOstrel, call, signal);

    EXPECT_TRUE(interrupted.EchoOffAtPrompt) << strsignal(signal);
    EXPECT_TRUE(interrupted.EchoOnAfterwards) << strsignal(signal);
    EXPECT_EQ(interrupted.Run.Signal, signal) << interrupted.Run.Stdout;
    EXPECT_FALSE(Exists("a"));
  }
}

TEST_F(ToolTest, EncryptRefusesToWriteCipherTextToATerminal) {
  ToolCall call;
  call.Arguments = {"encrypt", "-", "--passphrase-env", "OSTREL_PW"};
  call.Environment = {{"OSTREL_PW", kPassphrase}};

  const ToolRun run = RunToolOnTerminal(kOstrel, call, {});

  EXPECT_EQ(run.ExitCode, 2);
  EXPECT_THAT(run.Stdout, HasSubstr("standard output is a terminal"));
}

// While keys are held, the process can leave no core dump behind.
TEST_F(ToolTest, NoCoreDumpWhileKeysAreHeld) {
  Write("big", "");
  fs::resize_file(PathOf("big"), std::uintmax_t{4} << 30);
  ToolCall call;
  call.Arguments = {"encrypt", "--passphrase-env", "OSTREL_PW", "big"};
  call.Environment = {{"OSTREL_PW", kPassphrase}};
  call.WorkingDirectory = directory_.Path().string();
  BackgroundTool tool(kOstrel, call);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (TemporaryLeftovers().empty() && !tool.HasEnded() &&
         std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));

  std::ifstream limits("/proc/" + std::to_string(tool.Pid()) + "/limits");
  std::string line;
  std::string coreLimit;
  while (std::getline(limits, line)) {
    if (line.starts_with("Max core file size"))
      coreLimit = line;
  }
  tool.Signal(SIGTERM);
  tool.Wait();

  EXPECT_THAT(coreLimit, ::testing::MatchesRegex("Max core file size +0 +0 .*"));
  EXPECT_THAT(TemporaryLeftovers(), IsEmpty());
}

TEST_F(ToolTest, ControlCharactersInNamesAreEscapedInTextOutput) {
  Write("a\nb\x1b[2J.2crypt", "x");

  const ToolRun names = Ostrel({"names", "a\nb\x1b[2J.2crypt"});
  EXPECT_EQ(names.ExitCode, 0);
  EXPECT_THAT(names.Stdout, HasSubstr("a\\x0ab\\x1b[2J.2crypt: method 2"));
  EXPECT_THAT(names.Stdout, HasSubstr("output a\\x0ab\\x1b[2J\n"));

  const ToolRun failing = OstrelKeyed({"decrypt", "a\nb\x1b[2J.2crypt"});
  EXPECT_EQ(failing.ExitCode, 1);
  EXPECT_THAT(failing.Stderr,
              HasSubstr("ostrel: a\\x0ab\\x1b[2J.2crypt: truncated or not an encrypted file\n"));
}

TEST_F(ToolTest, ADirectoryNamedWithoutRecursionIsReported) {
  fs::create_directories(PathOf("d"));
  const ToolRun run = Ostrel({"names", "d"});
  EXPECT_EQ(run.ExitCode, 1);
  EXPECT_THAT(run.Stderr, HasSubstr("ostrel: d: is a directory"));
}

}  // namespace
}  // namespace ostrel::testing_support
