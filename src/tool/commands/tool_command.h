// One command of the ostrel tool: it owns its options, adds its own part of the command line and
// runs. A new command is a class like this in a file of its own, listed in tool_commands.cpp.
#pragma once

namespace CLI {
class App;
}

namespace ostrel {

class ToolCommand {
 public:
  virtual ~ToolCommand() = default;

  // Adds the command's word, its help, its arguments and its options, bound to the command's own
  // fields, and returns the part of the command line it added.
  virtual CLI::App& AddTo(CLI::App& tool) = 0;

  // Once this command was parsed: rules that span several of its options. Throws
  // std::invalid_argument with the reason, which is a usage error.
  virtual void CheckUsage() {}

  // Whether the command answers interrupt signals itself; the others have their partial outputs
  // removed when a signal ends the run.
  virtual bool HandlesSignals() const { return false; }

  // Returns the process's exit status: 0 when every file succeeded, 1 when any failed, 2 when the
  // call itself cannot work (no pass phrase to be had), 3 when the pass phrase does not open the
  // files.
  virtual int Run() = 0;
};

}  // namespace ostrel
