#include "platform/environment_text.h"

#include <cstdlib>

namespace ostrel {

EnvironmentText ReadEnvironmentVariable(const std::string& name, std::string& value) {
  // Environment values are bytes here, handed over as they are.
  const char* const text = std::getenv(name.c_str());
  if (text == nullptr)
    return EnvironmentText::Missing;
  value.append(text);
  return EnvironmentText::Exact;
}

}  // namespace ostrel
