// One connection of the server: its requests read and answered in turn until the client closes it
// or asks for the end, a file's bytes streamed piece by piece from the tree, so that a client
// reading a large file holds one piece in memory at a time.
#pragma once

#include <boost/asio/ip/tcp.hpp>

#include "tool/mount/mount_log.h"
#include "tool/mount/mounted_tree.h"
#include "tool/serve/request_router.h"

namespace ostrel {

void ServeConnection(boost::asio::ip::tcp::socket& socket, RequestRouter& router, MountLog& log);

}  // namespace ostrel
