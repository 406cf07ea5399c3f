// Choosing what a run does from its command-line arguments.
#pragma once

#include <string>
#include <vector>

namespace ostrel {

enum class StartMode { Encrypt, Decrypt, Dialog };

struct StartRequest {
  StartMode Mode;
  std::string Path;        // empty for the dialog
  std::string Passphrase;  // empty for the dialog
};

// arguments: the words after the program name. The first rule that matches wins: "/E" (exactly)
// with two non-empty arguments after it encrypts; two non-empty arguments decrypt; anything else
// opens the dialog. An empty argument counts as absent; later arguments are ignored.
StartRequest SelectStartMode(const std::vector<std::string>& arguments);

// The two command-line forms in one line, for a run that cannot open the dialog:
// "usage: PROGRAM /E PATH PASSPHRASE | PROGRAM PATH PASSPHRASE".
std::string CommandLineUsage(const std::string& program);

}  // namespace ostrel
