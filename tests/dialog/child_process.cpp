#include "child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <thread>

namespace ostrel::testing_support {
namespace {

// A file for the child's output, removed with the ChildProcess.
std::string NewOutputFile() {
  std::string pattern = (std::filesystem::temp_directory_path() / "ostrel-child-XXXXXX").string();
  const int handle = mkstemp(pattern.data());
  if (handle < 0)
    throw std::runtime_error("mkstemp");
  close(handle);
  return pattern;
}

}  // namespace

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
                           const Environment& environment, const std::string& workingDirectory)
    : outputPath_(NewOutputFile()) {
  // Everything the child needs is prepared before fork: after it, only async-signal-safe calls.
  std::vector<char*> argv;
  for (const std::string& argument : arguments)
    argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  std::map<std::string, std::string> variables;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string text(*entry);
    const std::size_t equals = text.find('=');
    if (equals != std::string::npos)
      variables[text.substr(0, equals)] = text.substr(equals + 1);
  }
  for (const std::string& name : environment.Unset)
    variables.erase(name);
  for (const auto& [name, value] : environment.Set)
    variables[name] = value;
  std::vector<std::string> entries;
  for (const auto& [name, value] : variables)
    entries.push_back(name + "=" + value);
  std::vector<char*> envp;
  for (std::string& entry : entries)
    envp.push_back(entry.data());
  envp.push_back(nullptr);

  const int output = open(outputPath_.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
  const int input = open("/dev/null", O_RDONLY | O_CLOEXEC);
  if (output < 0 || input < 0)
    throw std::runtime_error("cannot prepare the child's files");
  pid_ = fork();
  if (pid_ == 0) {
    dup2(input, 0);
    dup2(output, 1);
    dup2(output, 2);
    if (!workingDirectory.empty() && chdir(workingDirectory.c_str()) != 0)
      _exit(126);
    execve(program.c_str(), argv.data(), envp.data());
    _exit(127);
  }
  close(output);
  close(input);
  if (pid_ < 0)
    throw std::runtime_error("fork");
}

ChildProcess::~ChildProcess() {
  if (Running()) {
    kill(pid_, SIGKILL);
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
  }
  std::error_code ignored;
  std::filesystem::remove(outputPath_, ignored);
}

std::optional<int> ChildProcess::WaitForExit(std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (Running()) {
    if (std::chrono::steady_clock::now() >= deadline)
      return std::nullopt;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return exitCode_;
}

bool ChildProcess::Running() {
  if (exitCode_)
    return false;
  int status = 0;
  const pid_t done = waitpid(pid_, &status, WNOHANG);
  if (done == 0 || (done < 0 && errno == EINTR))
    return true;
  if (done < 0) {
    exitCode_ = -1;
    return false;
  }
  exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return false;
}

std::string ChildProcess::Output() const {
  std::ifstream file(outputPath_, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

ToolResult RunTool(const std::string& program, const std::vector<std::string>& arguments,
                   const Environment& environment, std::chrono::milliseconds timeout) {
  ChildProcess tool(program, arguments, environment);
  const std::optional<int> exitCode = tool.WaitForExit(timeout);
  return {exitCode.value_or(-1), tool.Output()};
}

}  // namespace ostrel::testing_support
