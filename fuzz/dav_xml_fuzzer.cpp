// The XML that ostrel serve reads and writes for WebDAV: any bytes as a PROPFIND body are either
// read or refused with EBadPropfind, and any bytes as a file name give an answer that a real parser
// reads as well-formed, with the name back unchanged whenever XML can carry it.
#include <expat.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "property_check.h"
#include "tool/serve/dav_multistatus.h"
#include "tool/serve/propfind_request.h"
#include "tool/serve/xml_writer.h"

namespace ostrel {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

struct Parsed {
  bool WellFormed = false;
  std::string Text;  // the character data of every element, in order
};

Parsed ParseXml(const std::string& document) {
  Parsed parsed;
  XML_Parser parser = XML_ParserCreate("UTF-8");
  XML_SetUserData(parser, &parsed.Text);
  XML_SetCharacterDataHandler(parser, [](void* data, const XML_Char* s, int length) {
    static_cast<std::string*>(data)->append(s, static_cast<std::size_t>(length));
  });
  parsed.WellFormed = XML_Parse(parser, document.data(), static_cast<int>(document.size()),
                                XML_TRUE) == XML_STATUS_OK;
  XML_ParserFree(parser);
  return parsed;
}

std::size_t Replacements(std::string_view text) {
  std::size_t count = 0;
  for (std::size_t at = text.find(kReplacement); at != std::string_view::npos;
       at = text.find(kReplacement, at + 1))
    ++count;
  return count;
}

}  // namespace
}  // namespace ostrel

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace ostrel;
  const std::string input(reinterpret_cast<const char*>(data), size);

  std::string document;
  XmlWriter xml(document);
  xml.OpenRoot("D:x", "D", "DAV:");
  xml.Text(input);
  xml.Close("D:x");
  const Parsed parsed = ParseXml(document);
  OSTREL_CHECK(parsed.WellFormed);
  // Nothing replaced: UTF-8 of characters XML allows, which must come back as they were.
  if (Replacements(document) == Replacements(input))
    OSTREL_CHECK(parsed.Text == input);

  PropfindRequest request;
  try {
    request = ParsePropfindRequest(input);
  } catch (const EBadPropfind&) {
    request = PropfindRequest();
  }
  DavResource resource;
  resource.Href = "/token/" + input;
  resource.DisplayName = input;
  resource.ContentType = "text/plain";
  const std::vector<DavResource> resources{resource, DavResource{}};
  OSTREL_CHECK(ParseXml(MultistatusXml(resources, request)).WellFormed);
  return 0;
}
