#include "tool/serve/propfind_request.h"

#include <expat.h>

#include <memory>

namespace ostrel {
namespace {

// expat joins a name's namespace and local part with this byte; it cannot stand in either.
constexpr char kSeparator = '\x01';

PropertyName SplitName(const XML_Char* name) {
  const std::string_view whole(name);
  const std::size_t separator = whole.find(kSeparator);
  if (separator == std::string_view::npos)
    return {"", std::string(whole)};
  return {std::string(whole.substr(0, separator)), std::string(whole.substr(separator + 1))};
}

struct ParseState {
  PropfindRequest Request;
  int Depth = 0;
  bool SawRoot = false;
  bool InProp = false;
  bool SawChoice = false;
  std::string Error;
  XML_Parser Parser = nullptr;

  void Fail(const std::string& text) {
    if (Error.empty())
      Error = text;
    XML_StopParser(Parser, XML_FALSE);
  }
};

void XMLCALL StartElement(void* data, const XML_Char* name, const XML_Char** /*attributes*/) {
  auto& state = *static_cast<ParseState*>(data);
  const PropertyName element = SplitName(name);
  const bool dav = element.Space == "DAV:";
  ++state.Depth;
  if (state.Depth == 1) {
    if (!dav || element.Name != "propfind")
      return state.Fail("the body is not a DAV:propfind element");
    state.SawRoot = true;
  } else if (state.Depth == 2) {
    if (dav &&
        (element.Name == "allprop" || element.Name == "propname" || element.Name == "prop")) {
      if (state.SawChoice)
        return state.Fail("propfind holds more than one of allprop, propname and prop");
      state.SawChoice = true;
      state.InProp = element.Name == "prop";
      state.Request.Asked = element.Name == "allprop"    ? PropfindRequest::Kind::kAllProperties
                            : element.Name == "propname" ? PropfindRequest::Kind::kPropertyNames
                                                         : PropfindRequest::Kind::kListed;
    }
    // Anything else here (such as DAV:include beside allprop) asks for nothing this server has.
  } else if (state.Depth == 3 && state.InProp) {
    state.Request.Listed.push_back(element);
  }
}

void XMLCALL EndElement(void* data, const XML_Char* /*name*/) {
  auto& state = *static_cast<ParseState*>(data);
  if (state.Depth == 2)
    state.InProp = false;
  --state.Depth;
}

// Declarations of document types let a body define entities that expand without bound; a
// PROPFIND never needs one.
void XMLCALL StartDoctype(void* data, const XML_Char* /*name*/, const XML_Char* /*system*/,
                          const XML_Char* /*public*/, int /*hasInternalSubset*/) {
  static_cast<ParseState*>(data)->Fail("the body declares a document type");
}

}  // namespace

PropfindRequest ParsePropfindRequest(std::string_view body) {
  if (body.find_first_not_of(" \t\r\n") == std::string_view::npos)
    return {};
  const std::unique_ptr<XML_ParserStruct, decltype(&XML_ParserFree)> parser(
      XML_ParserCreateNS(nullptr, kSeparator), &XML_ParserFree);
  if (!parser)
    throw std::bad_alloc();
  ParseState state;
  state.Parser = parser.get();
  XML_SetUserData(parser.get(), &state);
  XML_SetElementHandler(parser.get(), StartElement, EndElement);
  XML_SetStartDoctypeDeclHandler(parser.get(), StartDoctype);
  const XML_Status status =
      XML_Parse(parser.get(), body.data(), static_cast<int>(body.size()), XML_TRUE);
  if (!state.Error.empty())
    throw EBadPropfind(state.Error);
  if (status != XML_STATUS_OK)
    throw EBadPropfind(std::string("the body is not well-formed XML: ") +
                       XML_ErrorString(XML_GetErrorCode(parser.get())));
  if (!state.SawRoot)
    throw EBadPropfind("the body is not a DAV:propfind element");
  if (!state.SawChoice)
    throw EBadPropfind("propfind holds none of allprop, propname and prop");
  return state.Request;
}

}  // namespace ostrel
