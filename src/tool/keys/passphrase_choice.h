// Where the pass phrase of a run comes from, as the command line chose: the terminal unless one
// of the other sources is named, and the code page it is converted to.
#pragma once

#include <optional>
#include <string>

namespace ostrel {

struct PassphraseChoice {
  std::optional<std::string> File;  // "-": standard input
  std::optional<std::string> EnvironmentVariable;
  std::optional<int> Descriptor;
  std::optional<std::string> CodePage;
};

}  // namespace ostrel
