#include "shell/start_mode.h"

namespace ostrel {

StartRequest SelectStartMode(const std::vector<std::string>& arguments) {
  const auto argument = [&](std::size_t n) -> std::string {
    return n <= arguments.size() ? arguments[n - 1] : std::string();
  };
  if (argument(1) == "/E" && !argument(2).empty() && !argument(3).empty()) {
    return {StartMode::Encrypt, argument(2), argument(3)};
  }
  if (!argument(1).empty() && !argument(2).empty()) {
    return {StartMode::Decrypt, argument(1), argument(2)};
  }
  return {StartMode::Dialog, {}, {}};
}

std::string CommandLineUsage(const std::string& program) {
  return "usage: " + program + " /E PATH PASSPHRASE | " + program + " PATH PASSPHRASE";
}

}  // namespace ostrel
