#include "tool/serve/request_router.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <string_view>
#include <vector>

#include "tool/serve/browser_page.h"
#include "tool/serve/byte_range.h"
#include "tool/serve/content_disposition.h"
#include "tool/serve/content_type.h"
#include "tool/serve/dav_multistatus.h"
#include "tool/serve/http_date.h"
#include "tool/serve/propfind_request.h"
#include "tool/serve/request_target.h"

namespace ostrel {
namespace {

namespace http = boost::beast::http;

constexpr std::string_view kAllowed = "OPTIONS, GET, HEAD, PROPFIND";
// The pages run no script and load nothing but their own style, and no other site may frame them.
constexpr std::string_view kPageSecurityPolicy =
    "default-src 'none'; style-src 'unsafe-inline'; img-src 'self'; frame-ancestors 'none'";

// Headers every answer carries. The token is in every URL: no page may pass it on as a referrer,
// and nothing decrypted may stay in a browser's cache after the server is gone.
void AddCommonHeaders(ServedResponse& response) {
  response.set(http::field::cache_control, "no-store");
  response.set("Referrer-Policy", "no-referrer");
  response.set("X-Content-Type-Options", "nosniff");
}

ServedReply EmptyReply(const ServedRequest& request, http::status status) {
  ServedReply reply;
  reply.Response = ServedResponse(status, request.version());
  reply.Response.keep_alive(request.keep_alive());
  AddCommonHeaders(reply.Response);
  return reply;
}

ServedReply BodyReply(const ServedRequest& request, http::status status, std::string body,
                      std::string_view contentType) {
  ServedReply reply = EmptyReply(request, status);
  reply.Response.set(http::field::content_type, contentType);
  reply.Response.content_length(body.size());
  if (request.method() != http::verb::head)
    reply.Response.body() = std::move(body);
  return reply;
}

// The answer to an error of the tree: what it says of the path, never how the source looks.
ServedReply TreeErrorReply(const ServedRequest& request, int error) {
  switch (-error) {
    case ENOENT:
    case ENOTDIR:
    case ENAMETOOLONG:
      return TextReply(request, http::status::not_found, "No such file or directory.");
    case EACCES:
    case EPERM:
      return TextReply(request, http::status::forbidden, "Permission denied.");
    default:
      return TextReply(request, http::status::internal_server_error,
                       "The file cannot be read: it may be damaged, or the pass phrase does not "
                       "open it.");
  }
}

std::string EntityTag(const ShownAttributes& attributes) {
  char text[80];
  (void)std::snprintf(text, sizeof text, "\"%llx-%llx-%llx\"",
                      static_cast<unsigned long long>(attributes.Size),
                      static_cast<unsigned long long>(attributes.Seconds),
                      static_cast<unsigned long long>(attributes.Nanoseconds));
  return text;
}

std::string LastSegment(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

DavResource ResourceOf(const AccessToken& token, const std::string& path,
                       const ShownAttributes& attributes) {
  DavResource resource;
  resource.Href = EncodedUrlPath(token, path, attributes.Directory);
  resource.DisplayName = LastSegment(path);
  resource.Collection = attributes.Directory;
  resource.Length = attributes.Size;
  resource.ModifiedSeconds = attributes.Seconds;
  resource.ETag = EntityTag(attributes);
  if (!attributes.Directory)
    resource.ContentType = ContentTypeOf(resource.DisplayName);
  return resource;
}

std::string ChildPath(const std::string& directory, const std::string& name) {
  return directory == "/" ? "/" + name : directory + "/" + name;
}

std::string ParentOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == 0 || slash == std::string::npos ? "/" : path.substr(0, slash);
}

}  // namespace

ServedReply TextReply(const ServedRequest& request, http::status status, const std::string& text) {
  return BodyReply(request, status, text + "\n", "text/plain; charset=utf-8");
}

ServedReply RequestRouter::Answer(const ServedRequest& request) {
  const auto host = request.find(http::field::host);
  if (host == request.end() || !hosts_.Accepts(host->value()))
    return TextReply(request, http::status::forbidden,
                     "This server answers only requests to " + hosts_.Authority() + ".");
  const RequestTarget target = ParseRequestTarget(request.target(), token_);
  if (target.Outcome == RequestTarget::Verdict::kNoToken) {
    ServedReply reply = TextReply(request, http::status::unauthorized,
                                  "Open the address that ostrel serve printed: it holds the "
                                  "access token.");
    reply.Response.set(http::field::www_authenticate, "Token realm=\"ostrel serve\"");
    return reply;
  }
  if (target.Outcome == RequestTarget::Verdict::kBadPath)
    return TextReply(request, http::status::bad_request,
                     R"(The path has a "." or ".." segment, a NUL byte or a broken escape.)");

  switch (request.method()) {
    case http::verb::options: {
      ServedReply reply = EmptyReply(request, http::status::ok);
      // Class 1 only: nothing can be locked, and saying class 2 would invite LOCK before writes
      // that are refused anyway. MS-Author-Via tells Windows' client to treat this as WebDAV.
      reply.Response.set("DAV", "1");
      reply.Response.set("MS-Author-Via", "DAV");
      reply.Response.set(http::field::allow, kAllowed);
      reply.Response.content_length(0);
      return reply;
    }
    case http::verb::propfind:
      return AnswerPropfind(request, target.TreePath);
    case http::verb::get:
    case http::verb::head:
      return AnswerGet(request, target);
    case http::verb::put:
    case http::verb::post:
    case http::verb::delete_:
    case http::verb::mkcol:
    case http::verb::copy:
    case http::verb::move:
    case http::verb::proppatch:
    case http::verb::patch:
      return TextReply(request, http::status::forbidden,
                       "This server is read-only: nothing in the backup can be changed.");
    default: {
      ServedReply reply = TextReply(request, http::status::method_not_allowed,
                                    "This server is read-only and takes no locks.");
      reply.Response.set(http::field::allow, kAllowed);
      return reply;
    }
  }
}

ServedReply RequestRouter::AnswerPropfind(const ServedRequest& request, const std::string& path) {
  const auto depthField = request.find("Depth");
  const std::string_view depth =
      depthField == request.end() ? std::string_view("infinity") : depthField->value();
  if (depth != "0" && depth != "1") {
    // RFC 4918, section 9.1: a server may refuse depth infinity, saying so with this element.
    return BodyReply(request, http::status::forbidden,
                     "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<D:error xmlns:D=\"DAV:\">"
                     "<D:propfind-finite-depth/></D:error>\n",
                     "application/xml; charset=utf-8");
  }
  PropfindRequest asked;
  try {
    asked = ParsePropfindRequest(request.body());
  } catch (const EBadPropfind& error) {
    return TextReply(request, http::status::bad_request, error.what());
  }
  ShownAttributes attributes;
  if (const int error = tree_.Attributes(path, attributes); error != 0)
    return TreeErrorReply(request, error);
  std::vector<DavResource> resources{ResourceOf(token_, path, attributes)};
  if (depth == "1" && attributes.Directory) {
    ShownEntries entries;
    if (const int error = tree_.List(path, entries); error != 0)
      return TreeErrorReply(request, error);
    resources.reserve(entries.size() + 1);
    for (const auto& [name, entryAttributes] : entries)
      resources.push_back(ResourceOf(token_, ChildPath(path, name), entryAttributes));
  }
  return BodyReply(request, http::status::multi_status, MultistatusXml(resources, asked),
                   "application/xml; charset=utf-8");
}

ServedReply RequestRouter::AnswerGet(const ServedRequest& request, const RequestTarget& target) {
  const std::string& path = target.TreePath;
  ShownAttributes attributes;
  if (const int error = tree_.Attributes(path, attributes); error != 0)
    return TreeErrorReply(request, error);
  if (attributes.Directory) {
    if (!target.TrailingSlash) {
      // The page's links are relative to the directory, which its URL must end in "/" to be.
      ServedReply reply = TextReply(request, http::status::moved_permanently, "A directory.");
      reply.Response.set(http::field::location, EncodedUrlPath(token_, path, true));
      return reply;
    }
    return AnswerDirectoryPage(request, path);
  }
  const FileQuery query = ParseFileQuery(target.Query);
  if (!query.Valid)
    return TextReply(request, http::status::bad_request, "The version's name cannot be read.");
  if (query.Versions) {
    ServedReply reply =
        BodyReply(request, http::status::ok, VersionsPage(token_, path, VersionsOf(path)),
                  "text/html; charset=utf-8");
    reply.Response.set("Content-Security-Policy", kPageSecurityPolicy);
    return reply;
  }
  if (!query.Version.empty() && query.Version != LastSegment(path)) {
    // Only a copy of this very file: the query names no other path of the tree.
    for (const FileVersion& version : VersionsOf(path)) {
      if (version.ShownName == query.Version) {
        const std::string versionPath = ChildPath(ParentOf(path), version.ShownName);
        ShownAttributes versionAttributes;
        if (const int error = versions_.Attributes(versionPath, versionAttributes); error != 0)
          return TreeErrorReply(request, error);
        return AnswerFile(request, versions_, versionPath, versionAttributes, query.Download);
      }
    }
    return TextReply(request, http::status::not_found, "The file has no such version.");
  }
  return AnswerFile(request, tree_, path, attributes, query.Download);
}

std::vector<FileVersion> RequestRouter::VersionsOf(const std::string& path) {
  ShownEntries entries;
  if (versions_.List(ParentOf(path), entries) != 0)
    return {};
  return VersionsAmong(entries, LastSegment(path));
}

ServedReply RequestRouter::AnswerFile(const ServedRequest& request, MountedTree& tree,
                                      const std::string& path, const ShownAttributes& attributes,
                                      bool download) {
  std::shared_ptr<OpenedShownFile> file;
  if (const int error = tree.Open(path, file); error != 0)
    return TreeErrorReply(request, error);
  // The length as opened, which a change since the attributes were read may have moved.
  const int64_t length =
      file->Kind == ShownKind::EncryptedFile ? file->PlainLength : file->State.Size;
  const auto rangeField = request.find(http::field::range);
  const ByteRange range = ParseByteRange(
      rangeField == request.end() ? std::string_view() : rangeField->value(), length);
  if (range.Outcome == ByteRange::Kind::kUnsatisfiable) {
    ServedReply reply =
        TextReply(request, http::status::range_not_satisfiable, "The range lies past the end.");
    reply.Response.set(http::field::content_range, "bytes */" + std::to_string(length));
    MountedTree::Close(file);
    return reply;
  }
  const bool part = range.Outcome == ByteRange::Kind::kPart;
  ServedReply reply = EmptyReply(request, part ? http::status::partial_content : http::status::ok);
  const std::string name = LastSegment(path);
  reply.Response.set(http::field::content_type, ContentTypeOf(name));
  reply.Response.set(http::field::accept_ranges, "bytes");
  reply.Response.set(http::field::last_modified, HttpDate(attributes.Seconds));
  reply.Response.set(http::field::etag, EntityTag(attributes));
  if (download)
    reply.Response.set(http::field::content_disposition, AttachmentDisposition(name));
  reply.First = part ? range.First : 0;
  reply.Count = part ? range.Last - range.First + 1 : length;
  if (part) {
    reply.Response.set(http::field::content_range, "bytes " + std::to_string(range.First) + "-" +
                                                       std::to_string(range.Last) + "/" +
                                                       std::to_string(length));
  }
  reply.Response.content_length(static_cast<uint64_t>(reply.Count));
  if (request.method() == http::verb::head)
    MountedTree::Close(file);
  else
    reply.File = std::move(file);
  reply.Tree = &tree;
  return reply;
}

ServedReply RequestRouter::AnswerDirectoryPage(const ServedRequest& request,
                                               const std::string& path) {
  ShownEntries entries;
  if (const int error = tree_.List(path, entries); error != 0)
    return TreeErrorReply(request, error);
  std::vector<PageEntry> shown;
  shown.reserve(entries.size());
  // How many copies each file has, when there are versions to offer.
  ShownEntries everyVersion;
  if (versions_.List(path, everyVersion) != 0)
    everyVersion.clear();
  const std::map<std::string, std::size_t> copies = CopiesByName(everyVersion);
  for (const auto& [name, attributes] : entries) {
    const auto found = copies.find(name);
    const std::size_t count = attributes.Directory || found == copies.end() ? 1 : found->second;
    shown.push_back({name, attributes.Directory, attributes.Size, attributes.Seconds, count});
  }
  // Directories first, then files, each by name: the order of a file manager.
  std::stable_sort(shown.begin(), shown.end(), [](const PageEntry& a, const PageEntry& b) {
    return a.Directory != b.Directory ? a.Directory : a.Name < b.Name;
  });
  ServedReply reply = BodyReply(request, http::status::ok, DirectoryPage(token_, path, shown),
                                "text/html; charset=utf-8");
  reply.Response.set("Content-Security-Policy", kPageSecurityPolicy);
  return reply;
}

}  // namespace ostrel
