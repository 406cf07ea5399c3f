// A value from the environment as the system's 8-bit text, as a pass phrase needs it.
#pragma once

#include <string>

namespace ostrel {

enum class EnvironmentText {
  Missing,       // the variable is not set
  Exact,         // the value is the variable's, character for character
  Approximated,  // the system's code page lacks some of its characters, which became the nearest
                 // ones the system knows (the same ones its other programs would get)
};

// Appends the variable's value to value. The copies made on the way are wiped: it may be secret.
EnvironmentText ReadEnvironmentVariable(const std::string& name, std::string& value);

}  // namespace ostrel
