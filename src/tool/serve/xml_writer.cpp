#include "tool/serve/xml_writer.h"

#include <cstdint>

namespace ostrel {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// The length of the UTF-8 sequence at the start of text and its code point, or 0 when it is not
// one (a stray byte, an overlong form, a surrogate, beyond U+10FFFF, cut short).
std::size_t DecodeUtf8(std::string_view text, uint32_t& point) {
  const auto byte = [&](std::size_t i) { return static_cast<uint8_t>(text[i]); };
  const uint8_t lead = byte(0);
  std::size_t length = 0;
  uint32_t minimum = 0;
  if (lead < 0x80) {
    point = lead;
    return 1;
  }
  if ((lead & 0xE0) == 0xC0) {
    length = 2;
    point = lead & 0x1F;
    minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3;
    point = lead & 0x0F;
    minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4;
    point = lead & 0x07;
    minimum = 0x10000;
  } else {
    return 0;
  }
  if (text.size() < length)
    return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80)
      return 0;
    point = (point << 6) | (byte(i) & 0x3F);
  }
  if (point < minimum || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF))
    return 0;
  return length;
}

// Whether XML 1.0 allows the character in a document at all.
bool IsXmlCharacter(uint32_t point) {
  return point == 0x9 || point == 0xA || point == 0xD || (point >= 0x20 && point <= 0xD7FF) ||
         (point >= 0xE000 && point <= 0xFFFD) || point >= 0x10000;
}

}  // namespace

void AppendEscapedXmlText(std::string& output, std::string_view text) {
  while (!text.empty()) {
    uint32_t point = 0;
    const std::size_t length = DecodeUtf8(text, point);
    if (length == 0 || !IsXmlCharacter(point)) {
      output += kReplacement;
      text.remove_prefix(length == 0 ? 1 : length);
      continue;
    }
    switch (point) {
      case '&':
        output += "&amp;";
        break;
      case '<':
        output += "&lt;";
        break;
      case '>':
        output += "&gt;";
        break;
      case '"':
        output += "&quot;";
        break;
      case '\'':
        output += "&apos;";
        break;
      case '\r':
        output += "&#13;";  // a parser would otherwise read it as a line feed
        break;
      default:
        output.append(text.substr(0, length));
    }
    text.remove_prefix(length);
  }
}

XmlWriter::XmlWriter(std::string& output) : output_(output) {
  output_ += "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n";
}

void XmlWriter::OpenRoot(std::string_view name, std::string_view prefix, std::string_view space) {
  output_ += '<';
  output_ += name;
  output_ += " xmlns:";
  output_ += prefix;
  output_ += "=\"";
  AppendEscapedXmlText(output_, space);
  output_ += "\">";
}

void XmlWriter::Open(std::string_view name) {
  output_ += '<';
  output_ += name;
  output_ += '>';
}

void XmlWriter::Close(std::string_view name) {
  output_ += "</";
  output_ += name;
  output_ += '>';
}

void XmlWriter::Element(std::string_view name, std::string_view text) {
  if (text.empty()) {
    output_ += '<';
    output_ += name;
    output_ += "/>";
    return;
  }
  Open(name);
  Text(text);
  Close(name);
}

void XmlWriter::ForeignEmpty(std::string_view space, std::string_view name) {
  // The local name comes from the request and was a name there; the prefix is ours. A name in no
  // namespace takes no prefix, since no prefix may be bound to none.
  if (space.empty()) {
    output_ += '<';
    output_ += name;
    output_ += "/>";
    return;
  }
  output_ += "<x:";
  output_ += name;
  output_ += " xmlns:x=\"";
  AppendEscapedXmlText(output_, space);
  output_ += "\"/>";
}

void XmlWriter::Text(std::string_view text) {
  AppendEscapedXmlText(output_, text);
}

}  // namespace ostrel
