// A small writer of XML 1.0 documents for WebDAV answers. Names of elements come from this
// program; text comes from file names, which may hold any bytes: it is escaped, and what XML
// cannot carry at all (bytes that are not UTF-8, control characters) becomes U+FFFD, so that every
// answer is well-formed whatever the backup holds.
#pragma once

#include <string>
#include <string_view>

namespace ostrel {

class XmlWriter {
 public:
  explicit XmlWriter(std::string& output);

  // The root element, declaring prefix for namespace.
  void OpenRoot(std::string_view name, std::string_view prefix, std::string_view space);
  void Open(std::string_view name);
  void Close(std::string_view name);
  // An element holding only text; an empty text writes an empty element.
  void Element(std::string_view name, std::string_view text);
  // An element in a namespace of its own, declared on it, holding nothing: for naming properties
  // that a client asked for in namespaces this program does not know.
  void ForeignEmpty(std::string_view space, std::string_view name);
  void Text(std::string_view text);

 private:
  std::string& output_;
};

// Text as XML character data or attribute value, with the replacements above.
void AppendEscapedXmlText(std::string& output, std::string_view text);

}  // namespace ostrel
