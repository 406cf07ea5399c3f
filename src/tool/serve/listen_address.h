// Where the server listens: --listen ADDR:PORT ("127.0.0.1:8080", "[::1]:0"); port 0 asks the
// system for a free one. Only numeric addresses: a name could resolve elsewhere than the user
// thinks, and the Host check compares against what is printed.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace ostrel {

struct ListenAddress {
  std::string Address = "127.0.0.1";  // an IPv6 address without brackets
  uint16_t Port = 0;
};

ListenAddress ParseListenAddress(std::string_view text);  // raises std::invalid_argument

bool IsLoopbackAddress(std::string_view address);

}  // namespace ostrel
