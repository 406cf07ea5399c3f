// What a PROPFIND body asks for (RFC 4918, section 9.1): every property (an empty body, or
// <allprop/>), only their names (<propname/>), or the properties it lists (<prop>). Read with a
// real XML parser with namespaces, since clients choose their own prefixes for "DAV:".
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace ostrel {

struct PropertyName {
  std::string Space;  // the namespace, "DAV:" for WebDAV's own
  std::string Name;
  bool operator==(const PropertyName&) const = default;
};

struct PropfindRequest {
  enum class Kind { kAllProperties, kPropertyNames, kListed };
  Kind Asked = Kind::kAllProperties;
  std::vector<PropertyName> Listed;  // with kListed
};

// A body that is not a well-formed propfind element; answered 400 with its text.
class EBadPropfind : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

PropfindRequest ParsePropfindRequest(std::string_view body);

}  // namespace ostrel
