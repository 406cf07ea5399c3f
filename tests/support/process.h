// Runs real programs for end-to-end tests and collects what they wrote and how they ended: to
// their end with environment variables, standard input and an extra descriptor, without a
// controlling terminal (so that they can never ask), on a pseudo-terminal (so that they ask), or in
// the background to be signalled.
#pragma once

#include <sys/types.h>

#include <string>
#include <utility>
#include <vector>

namespace ostrel::testing_support {

struct ToolCall {
  std::vector<std::string> Arguments;  // after the program name
  std::vector<std::pair<std::string, std::string>> Environment;
  std::string Stdin;
  std::string WorkingDirectory;
  // When not empty, readable by the program on descriptor 3.
  std::string Descriptor3;
};

struct ToolRun {
  int ExitCode = -1;  // -1 when a signal ended the program
  int Signal = 0;     // the signal that ended it, else 0
  std::string Stdout;
  std::string Stderr;
};

// program: the path of the executable.
ToolRun RunTool(const std::string& program, const ToolCall& call);

// Runs the program on a pseudo-terminal and types each answer after the program has asked
// ("...: " appeared). Everything the program showed on the terminal is returned as Stdout.
ToolRun RunToolOnTerminal(const std::string& program, const ToolCall& call,
                          const std::vector<std::string>& answers);

// What the terminal's echo was while the program asked for a pass phrase, and after a signal
// sent at that prompt ended it.
struct PromptInterruption {
  ToolRun Run;
  bool EchoOffAtPrompt = false;
  bool EchoOnAfterwards = false;
};

// Runs the program on a pseudo-terminal and sends it the signal once it asks for a pass phrase
// with the echo off.
PromptInterruption InterruptAtThePrompt(const std::string& program, const ToolCall& call,
                                        int signal);

// Runs the program on a pseudo-terminal and types keys, without Enter, once it asks for a pass
// phrase with the echo off. EndedByTheKeys: the program ended without anything more being typed;
// a program still waiting after half a minute is killed, and the run then says so.
struct PromptKeys {
  PromptInterruption Interruption;
  bool EndedByTheKeys = false;
};
PromptKeys TypeAtThePrompt(const std::string& program, const ToolCall& call,
                           const std::string& keys);

// A program running in the background; its standard output and error go to /dev/null.
class BackgroundTool {
 public:
  BackgroundTool(const std::string& program, const ToolCall& call);
  ~BackgroundTool();
  BackgroundTool(const BackgroundTool&) = delete;
  BackgroundTool& operator=(const BackgroundTool&) = delete;

  void Signal(int signal) const;
  pid_t Pid() const { return pid_; }
  bool HasEnded();
  ToolRun Wait();

 private:
  pid_t pid_ = -1;
  bool waited_ = false;
  ToolRun result_;
};

// RunTool with only arguments, a working directory and standard input.
using ProcessResult = ToolRun;
ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& arguments,
                         const std::string& workingDirectory = {},
                         const std::string& stdinText = {});

}  // namespace ostrel::testing_support
