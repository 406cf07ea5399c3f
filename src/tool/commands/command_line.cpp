#include "tool/commands/command_line.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "platform/tool_features.h"
#include "tool/commands/command_suggestion.h"
#include "tool/commands/shared_options.h"
#include "tool/commands/tool_commands.h"

namespace ostrel {
namespace {

constexpr const char* kDescription =
    kPassphraseDescriptors
        ? "Decrypts and encrypts the .1crypt (Triple-DES) and .2crypt (Rijndael-256) files of the "
          "Ostrel file synchronizer: single files, whole trees and pipes. The pass phrase never "
          "goes on the command line: it is asked for on the terminal, or read from a file, an "
          "environment variable or a file descriptor."
        : "Decrypts and encrypts the .1crypt (Triple-DES) and .2crypt (Rijndael-256) files of the "
          "Ostrel file synchronizer: single files, whole trees and pipes. The pass phrase never "
          "goes on the command line: it is asked for on the console, or read from a file or an "
          "environment variable.";

constexpr const char* kExitCodes =
    "Exit status: 0 when every file succeeded, 1 when any file failed, 2 for a usage error, 3 when "
    "the pass phrase does not open the files (each command's help says when).";

int UsageError(const std::string& reason) {
  (void)std::fprintf(stderr, "ostrel: %s\n", reason.c_str());
  return 2;
}

}  // namespace

ParsedCommandLine ParseToolCommandLine(int argc, char** argv) {
  if (argc > 1) {
    const std::vector<std::string> unavailable = UnavailableCommands();
    if (std::find(unavailable.begin(), unavailable.end(), argv[1]) != unavailable.end())
      return {nullptr, UsageError(std::string(argv[1]) + " is not available on this platform")};
  }

  CLI::App app(kDescription, "ostrel");
  app.footer(kExitCodes);
  app.set_version_flag("--version", std::string("ostrel ") + OSTREL_VERSION);
  app.require_subcommand(1);
  app.failure_message([](const CLI::App*, const CLI::Error& error) {
    return "ostrel: " + std::string(error.what()) + "\nRun \"ostrel --help\" for the commands.\n";
  });
  std::vector<std::pair<std::unique_ptr<ToolCommand>, CLI::App*>> commands;
  for (std::unique_ptr<ToolCommand>& command : ToolCommands()) {
    CLI::App& part = command->AddTo(app);
    commands.emplace_back(std::move(command), &part);
  }

  if (const std::optional<std::string> mistyped = MistypedCommand(argc, argv, app))
    return {nullptr, UsageError(*mistyped)};
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    const int code = app.exit(error);
    return {nullptr, code == 0 ? 0 : 2};
  }
  for (auto& [command, part] : commands) {
    if (!part->parsed())
      continue;
    try {
      command->CheckUsage();
    } catch (const std::invalid_argument& error) {
      return {nullptr, UsageError(error.what())};
    }
    return {std::move(command), 0};
  }
  return {nullptr, UsageError("no command given")};  // require_subcommand makes this unreachable
}

}  // namespace ostrel
