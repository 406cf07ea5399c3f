// A first word that names no command: said as such, with the nearest command suggested, rather
// than the parser's "A subcommand is required".
#pragma once

#include <optional>
#include <string>

namespace CLI {
class App;
}

namespace ostrel {

// The message for a mistyped command ("unknown command \"decrpyt\"; did you mean \"decrypt\"?"),
// or nothing when the first argument is an option or a command.
std::optional<std::string> MistypedCommand(int argc, char** argv, const CLI::App& app);

}  // namespace ostrel
