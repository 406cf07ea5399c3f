// A program running beside the test: started without waiting for it, watched with timeouts, and
// killed when the test is done with it.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace ostrel::testing_support {

struct Environment {
  std::map<std::string, std::string> Set;  // added to the test's own environment or replacing it
  std::vector<std::string> Unset;          // removed from it
};

class ChildProcess {
 public:
  // Starts program (arguments[0] is its name) in workingDirectory when not empty. Its standard
  // output and error go to one file that Output() reads; its standard input is empty.
  ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
               const Environment& environment = {}, const std::string& workingDirectory = {});
  // Kills the process if it still runs.
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // The exit code once the process has exited (-1 when a signal ended it); nothing when it still
  // runs after timeout.
  std::optional<int> WaitForExit(std::chrono::milliseconds timeout);
  bool Running();
  std::string Output() const;

 private:
  pid_t pid_ = -1;
  std::optional<int> exitCode_;
  std::string outputPath_;
};

struct ToolResult {
  int ExitCode = -1;  // -1 when the tool did not end by itself in time
  std::string Output;
};

// Runs a short-lived tool to its end, or kills it after timeout.
ToolResult RunTool(const std::string& program, const std::vector<std::string>& arguments,
                   const Environment& environment = {},
                   std::chrono::milliseconds timeout = std::chrono::seconds(20));

}  // namespace ostrel::testing_support
