#include "tool/serve/http_session.h"

#include <boost/asio/write.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/http.hpp>

#include <algorithm>
#include <exception>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

namespace ostrel {
namespace {

namespace http = boost::beast::http;
using boost::asio::ip::tcp;

// What one read from the tree asks for, and one write to the socket sends: a few of its pieces,
// so that the decryption ahead keeps another core busy while the socket takes them.
constexpr int64_t kStreamedBytes = 1024 * 1024;
constexpr std::size_t kHeaderLimit = 16 * 1024;

// The status line and header fields as they go out, ending in the empty line.
std::string HeaderText(const ServedResponse::header_type& header) {
  std::ostringstream text;
  text << header;
  return std::move(text).str();
}

// Asio's own completion conditions hand the socket at most 64 KiB per call; the pieces of a file go
// in one call, which the system takes at once, with one wake-up of the client instead of sixteen.
std::size_t UntilAllIsWritten(const boost::system::error_code& error, std::size_t /*written*/) {
  return error ? 0 : std::numeric_limits<std::size_t>::max();
}

bool SendWhole(tcp::socket& socket, ServedResponse& response) {
  boost::beast::error_code error;
  http::write(socket, response, error);
  return !error;
}

// The answer to a file whose bytes cannot be read before any of them is out; the connection ends
// after it.
void SendReadFailure(tcp::socket& socket, unsigned version) {
  ServedRequest request;
  request.version(version);
  request.keep_alive(false);
  ServedReply failed = TextReply(request, http::status::internal_server_error,
                                 "The file cannot be read: it may have changed or be damaged.");
  (void)SendWhole(socket, failed.Response);
}

// Writes the header and the file's bytes; false when the connection must end, which is the only
// way left to tell the client that the bytes stopped short once the header is out. The bytes go
// from the tree's pieces to the socket without a copy of their own, and the header goes with the
// first of them: a small file leaves in one segment, and a file whose first piece does not open
// still gets an answer that says so.
bool StreamFile(tcp::socket& socket, ServedReply& reply, MountLog& log) {
  std::string header = HeaderText(reply.Response.base());
  std::vector<PlainSlice> slices;
  std::vector<boost::asio::const_buffer> buffers;
  int64_t offset = reply.First;
  int64_t remaining = reply.Count;
  do {
    slices.clear();
    buffers.clear();
    if (!header.empty())
      buffers.emplace_back(header.data(), header.size());
    if (remaining > 0) {
      const int64_t read =
          reply.Tree->ReadSlices(reply.File, offset, std::min(remaining, kStreamedBytes), slices);
      if (read <= 0) {
        const bool answered = !header.empty();
        log.Note(reply.File->SourcePath + ": the read stopped at plain offset " +
                 std::to_string(offset) +
                 (answered ? "; answered 500" : "; the connection was closed"));
        if (answered)
          SendReadFailure(socket, reply.Response.version());
        return false;
      }
      offset += read;
      remaining -= read;
    }
    for (const PlainSlice& slice : slices)
      buffers.emplace_back(slice.Piece->data() + slice.Offset, slice.Count);
    boost::beast::error_code error;
    boost::asio::write(socket, buffers, UntilAllIsWritten, error);
    if (error)
      return false;
    header.clear();
  } while (remaining > 0);
  return true;
}

// Sends the reply; false when the connection must end.
bool Send(tcp::socket& socket, ServedReply& reply, MountLog& log) {
  const bool keepAlive = reply.Response.keep_alive();
  bool sent = false;
  if (reply.File) {
    sent = StreamFile(socket, reply, log);
    MountedTree::Close(reply.File);
  } else {
    sent = SendWhole(socket, reply.Response);
  }
  return sent && keepAlive;
}

// Reads what the client still sends after a refused request, up to a bound, once the answer is
// out: closing with unread bytes resets the connection, and the reset can destroy the answer
// before the client has read it.
void DrainUnread(tcp::socket& socket) {
  constexpr std::size_t kDrainedBytes = 1024 * 1024;
  boost::beast::error_code error;
  socket.shutdown(tcp::socket::shutdown_send, error);
  std::vector<char> sink(64 * 1024);
  std::size_t drained = 0;
  while (!error && drained < kDrainedBytes)
    drained += socket.read_some(boost::asio::buffer(sink), error);
}

}  // namespace

void ServeConnection(tcp::socket& socket, RequestRouter& router, MountLog& log) {
  boost::beast::flat_buffer buffer;
  for (;;) {
    http::request_parser<http::string_body> parser;
    parser.header_limit(kHeaderLimit);
    parser.body_limit(kRequestBodyLimit);
    boost::beast::error_code error;
    http::read_header(socket, buffer, parser, error);
    if (!error && parser.get()[http::field::expect] == "100-continue") {
      static constexpr std::string_view kContinue = "HTTP/1.1 100 Continue\r\n\r\n";
      boost::asio::write(socket, boost::asio::buffer(kContinue.data(), kContinue.size()), error);
    }
    if (!error && !parser.is_done())
      http::read(socket, buffer, parser, error);
    if (error) {
      // A client that closes between requests, or a stop, ends the connection quietly; a request
      // that cannot be read gets a reason before it ends.
      if (error == http::error::end_of_stream || error == boost::asio::error::eof ||
          error == boost::asio::error::connection_reset ||
          error == boost::asio::error::operation_aborted ||
          error == boost::asio::error::bad_descriptor || error == boost::asio::error::shut_down ||
          error == boost::asio::error::not_connected) {
        break;
      }
      ServedRequest empty;
      empty.version(11);
      empty.keep_alive(false);
      ServedReply reply =
          error == http::error::body_limit
              ? TextReply(empty, http::status::payload_too_large, "The request body is too large.")
          : error == http::error::header_limit
              ? TextReply(empty, http::status::request_header_fields_too_large,
                          "The request's header is too large.")
              : TextReply(empty, http::status::bad_request, "The request cannot be read.");
      reply.Response.keep_alive(false);
      (void)Send(socket, reply, log);
      DrainUnread(socket);
      break;
    }
    ServedReply reply;
    try {
      reply = router.Answer(parser.get());
    } catch (const std::exception& failure) {
      log.Note(std::string(parser.get().target()) + ": " + failure.what());
      reply = TextReply(parser.get(), http::status::internal_server_error, "The server failed.");
    }
    if (!Send(socket, reply, log))
      break;
  }
  boost::beast::error_code ignored;
  socket.shutdown(tcp::socket::shutdown_send, ignored);
}

}  // namespace ostrel
