// ostrel: the command-line tool for scripts and whole backups. Decrypts and encrypts files, trees
// and pipes with safe outputs, describes encoded names, checks pass phrases and prints keys.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "platform/core_dump_guard.h"
#include "platform/file_status.h"
#include "platform/interrupt_cleanup.h"
#include "platform/standard_streams.h"
#include "platform/tool_arguments.h"
#include "tool/commands/command_line.h"

int main(int argc, char** argv) {
  // Refused only where the system forbids it; the run goes on either way.
  (void)ostrel::PreventCoreDumps();
  ostrel::UseBinaryStandardStreams();
  ostrel::ShowStandardTextOnConsole();
  ostrel::ToolArguments arguments = ostrel::ReadToolArguments(argc, argv);
  if (!arguments.Untranslatable.empty()) {
    (void)std::fprintf(stderr,
                       "ostrel: %s: the argument has characters that this system's code page "
                       "lacks; name the file or directory without them\n",
                       arguments.Untranslatable.c_str());
    return 2;
  }
  std::vector<char*> words;
  words.reserve(arguments.Words.size() + 1);
  for (std::string& word : arguments.Words)
    words.push_back(word.data());
  words.push_back(nullptr);
  const ostrel::ParsedCommandLine parsed =
      ostrel::ParseToolCommandLine(static_cast<int>(arguments.Words.size()), words.data());
  if (!parsed.Command)
    return parsed.ExitCode;
  try {
    // Before any thread starts: reading the creation mask means setting it for a moment.
    ostrel::FileCreationMask();
    if (!parsed.Command->HandlesSignals())
      ostrel::InstallInterruptCleanup();
    return parsed.Command->Run();
  } catch (const std::exception& error) {
    (void)std::fprintf(stderr, "ostrel: %s\n", error.what());
  }
  return 1;
}
