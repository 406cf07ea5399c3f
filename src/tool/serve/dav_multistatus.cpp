#include "tool/serve/dav_multistatus.h"

#include <optional>
#include <string_view>

#include "tool/serve/http_date.h"
#include "tool/serve/xml_writer.h"

namespace ostrel {
namespace {

// The DAV: properties this server knows, in the order allprop writes them.
constexpr std::string_view kProperties[] = {"displayname",     "resourcetype", "getcontentlength",
                                            "getlastmodified", "getetag",      "getcontenttype",
                                            "supportedlock",   "lockdiscovery"};

// Writes the property, or returns false when the resource does not have it.
bool WriteProperty(XmlWriter& xml, std::string_view name, const DavResource& resource,
                   bool valueToo) {
  const std::string element = "D:" + std::string(name);
  const auto write = [&](std::string_view value) {
    xml.Element(element, valueToo ? value : std::string_view());
    return true;
  };
  if (name == "displayname")
    return write(resource.DisplayName);
  if (name == "resourcetype") {
    if (valueToo && resource.Collection) {
      xml.Open(element);
      xml.Element("D:collection", "");
      xml.Close(element);
      return true;
    }
    return write("");
  }
  if (name == "getlastmodified")
    return write(HttpDate(resource.ModifiedSeconds));
  if (name == "getetag")
    return write(resource.ETag);
  // Nothing can be locked: both properties are present and empty, which tells clients so.
  if (name == "supportedlock" || name == "lockdiscovery")
    return write("");
  if (resource.Collection)
    return false;
  if (name == "getcontentlength")
    return write(std::to_string(resource.Length));
  if (name == "getcontenttype")
    return write(resource.ContentType);
  return false;
}

void WriteResponse(XmlWriter& xml, const DavResource& resource, const PropfindRequest& request) {
  xml.Open("D:response");
  xml.Element("D:href", resource.Href);
  std::vector<PropertyName> missing;
  xml.Open("D:propstat");
  xml.Open("D:prop");
  if (request.Asked == PropfindRequest::Kind::kListed) {
    for (const PropertyName& property : request.Listed) {
      if (property.Space != "DAV:" || !WriteProperty(xml, property.Name, resource, true))
        missing.push_back(property);
    }
  } else {
    const bool valueToo = request.Asked == PropfindRequest::Kind::kAllProperties;
    for (const std::string_view name : kProperties)
      (void)WriteProperty(xml, name, resource, valueToo);
  }
  xml.Close("D:prop");
  xml.Element("D:status", "HTTP/1.1 200 OK");
  xml.Close("D:propstat");
  if (!missing.empty()) {
    xml.Open("D:propstat");
    xml.Open("D:prop");
    for (const PropertyName& property : missing) {
      if (property.Space == "DAV:")
        xml.Element("D:" + property.Name, "");
      else
        xml.ForeignEmpty(property.Space, property.Name);
    }
    xml.Close("D:prop");
    xml.Element("D:status", "HTTP/1.1 404 Not Found");
    xml.Close("D:propstat");
  }
  xml.Close("D:response");
}

}  // namespace

std::string MultistatusXml(const std::vector<DavResource>& resources,
                           const PropfindRequest& request) {
  std::string output;
  XmlWriter xml(output);
  xml.OpenRoot("D:multistatus", "D", "DAV:");
  for (const DavResource& resource : resources)
    WriteResponse(xml, resource, request);
  xml.Close("D:multistatus");
  return output;
}

}  // namespace ostrel
