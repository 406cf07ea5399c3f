// Runs a real program and collects what it wrote and how it ended, for end-to-end tests.
#pragma once

#include <string>
#include <vector>

namespace ostrel::testing_support {

struct ProcessResult {
  int ExitCode = -1;  // -1 when the process did not exit normally
  std::string Stdout;
  std::string Stderr;
};

// Both ends of a pipe that is closed on exec, for a child's standard streams.
struct Pipe {
  int read = -1;
  int write = -1;
  Pipe();
};

// Feeds stdinText to the child's standard input (closing it when done, or at once when empty)
// while collecting its standard output and error, until both of those are closed. Every
// descriptor is closed on return.
void ExchangeWithChild(int stdinFd, const std::string& stdinText, int stdoutFd, int stderrFd,
                       std::string& stdoutText, std::string& stderrText);

// Runs program with arguments (argv[0] is the program), in directory workingDirectory when it is
// not empty, with stdinText on its standard input.
ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& arguments,
                         const std::string& workingDirectory = {},
                         const std::string& stdinText = {});

}  // namespace ostrel::testing_support
