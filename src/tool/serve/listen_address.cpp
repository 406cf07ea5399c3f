#include "tool/serve/listen_address.h"

#include <boost/asio/ip/address.hpp>

#include <charconv>

namespace ostrel {

ListenAddress ParseListenAddress(std::string_view text) {
  const std::size_t colon = text.rfind(':');
  if (colon == std::string_view::npos)
    throw std::invalid_argument("--listen takes ADDRESS:PORT, such as 127.0.0.1:8080");
  std::string_view address = text.substr(0, colon);
  const std::string_view port = text.substr(colon + 1);
  if (address.starts_with('[') && address.ends_with(']'))
    address = address.substr(1, address.size() - 2);
  unsigned value = 0;
  const auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), value);
  if (port.empty() || error != std::errc() || end != port.data() + port.size() || value > 65535)
    throw std::invalid_argument("--listen: \"" + std::string(port) + "\" is not a port number");
  boost::system::error_code parseError;
  const boost::asio::ip::address parsed =
      boost::asio::ip::make_address(std::string(address), parseError);
  if (parseError)
    throw std::invalid_argument("--listen: \"" + std::string(address) +
                                "\" is not a numeric IPv4 or IPv6 address");
  // Requests must name the address listened on (the Host check), and one listening everywhere has
  // no address a client could name: the user must choose the one other machines reach.
  if (parsed.is_unspecified())
    throw std::invalid_argument(
        "--listen: give the address that clients reach this machine at, "
        "not " +
        std::string(address));
  return {parsed.to_string(), static_cast<uint16_t>(value)};
}

bool IsLoopbackAddress(std::string_view address) {
  boost::system::error_code error;
  const boost::asio::ip::address parsed =
      boost::asio::ip::make_address(std::string(address), error);
  return !error && parsed.is_loopback();
}

}  // namespace ostrel
