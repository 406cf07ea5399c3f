#include "tool/serve/host_check.h"

#include <algorithm>
#include <cctype>

#include "tool/serve/listen_address.h"

namespace ostrel {
namespace {

std::string LowerCase(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower;
}

}  // namespace

HostCheck::HostCheck(std::string_view address, uint16_t port) {
  std::string suffix(":");
  suffix += std::to_string(port);
  std::string authority;
  if (address.find(':') != std::string_view::npos) {
    authority += '[';
    authority += LowerCase(address);
    authority += ']';
  } else {
    authority = address;
  }
  accepted_.push_back(authority + suffix);
  // "localhost" names this machine by definition and resolves nowhere else, so no other site can
  // borrow it; browsers and file managers are often given it instead of the number.
  if (IsLoopbackAddress(address))
    accepted_.push_back(std::string("localhost") + suffix);
}

bool HostCheck::Accepts(std::string_view host) const {
  const std::string lower = LowerCase(host);
  return std::find(accepted_.begin(), accepted_.end(), lower) != accepted_.end();
}

}  // namespace ostrel
