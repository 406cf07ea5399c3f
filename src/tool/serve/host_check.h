// Which Host headers the server answers. A page on another site can make the browser send
// requests to a name that its owner points at 127.0.0.1 (DNS rebinding); such requests carry that
// name as their Host, so refusing every Host but the address the server listens on keeps them out.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ostrel {

class HostCheck {
 public:
  // address: the numeric address listened on, as printed (an IPv6 address without brackets).
  HostCheck(std::string_view address, uint16_t port);

  bool Accepts(std::string_view host) const;
  // The address and port as they stand in a URL: "127.0.0.1:8080", "[::1]:8080".
  const std::string& Authority() const { return accepted_.front(); }

 private:
  std::vector<std::string> accepted_;
};

}  // namespace ostrel
