// What the server answers to one request: the checks every request passes first (the Host, the
// token, a path that stays inside the tree), then WebDAV's read-only methods and the page. The
// answer's bytes of a file are not read here: the reply names the file and the range, and the
// session streams them, so that memory stays flat whatever size is served.
#pragma once

#include <boost/beast/http.hpp>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tool/mount/mounted_tree.h"
#include "tool/serve/access_token.h"
#include "tool/serve/file_versions.h"
#include "tool/serve/host_check.h"
#include "tool/serve/request_target.h"

namespace ostrel {

using ServedRequest = boost::beast::http::request<boost::beast::http::string_body>;
using ServedResponse = boost::beast::http::response<boost::beast::http::string_body>;

struct ServedReply {
  // Status and headers, with the body unless File is set; Content-Length is always set.
  ServedResponse Response;
  // When the body is a file's bytes: Count bytes from First, read through the tree that opened it.
  std::shared_ptr<OpenedShownFile> File;
  MountedTree* Tree = nullptr;
  int64_t First = 0;
  int64_t Count = 0;
};

// The largest request body read: a PROPFIND names a few properties, and nothing else here has a
// body to read.
constexpr std::size_t kRequestBodyLimit = 64 * 1024;

class RequestRouter {
 public:
  // tree: what is served, as the user chose; versions: the same source with every version shown,
  // for the page's lists of copies.
  RequestRouter(MountedTree& tree, MountedTree& versions, const AccessToken& token,
                const HostCheck& hosts)
      : tree_(tree), versions_(versions), token_(token), hosts_(hosts) {}

  ServedReply Answer(const ServedRequest& request);

 private:
  ServedReply AnswerPropfind(const ServedRequest& request, const std::string& path);
  ServedReply AnswerGet(const ServedRequest& request, const RequestTarget& target);
  ServedReply AnswerFile(const ServedRequest& request, MountedTree& tree, const std::string& path,
                         const ShownAttributes& attributes, bool download);
  ServedReply AnswerDirectoryPage(const ServedRequest& request, const std::string& path);
  // The copies of the file at path, from the tree with every version; nothing when its directory
  // cannot be listed.
  std::vector<FileVersion> VersionsOf(const std::string& path);

  MountedTree& tree_;
  MountedTree& versions_;
  const AccessToken& token_;
  const HostCheck& hosts_;
};

// A short text answer, for errors and refusals.
ServedReply TextReply(const ServedRequest& request, boost::beast::http::status status,
                      const std::string& text);

}  // namespace ostrel
