#include "tool/serve/http_server.h"

#include <boost/asio/post.hpp>

#include <csignal>
#include <stdexcept>

#include "platform/console_stop.h"
#include "tool/serve/http_session.h"

namespace ostrel {

using boost::asio::ip::tcp;

HttpServer::HttpServer(const ListenAddress& address, std::size_t maxConnections)
    : acceptor_(control_), signals_(control_, SIGINT, SIGTERM), maxConnections_(maxConnections) {
  boost::system::error_code error;
  const tcp::endpoint endpoint(boost::asio::ip::make_address(address.Address, error), address.Port);
  if (!error)
    acceptor_.open(endpoint.protocol(), error);
  if (!error)
    acceptor_.bind(endpoint, error);
  if (!error)
    acceptor_.listen(boost::asio::socket_base::max_listen_connections, error);
  if (error)
    throw std::runtime_error("cannot listen on " + address.Address + ":" +
                             std::to_string(address.Port) + ": " + error.message());
}

HttpServer::~HttpServer() = default;

ListenAddress HttpServer::Bound() const {
  const tcp::endpoint endpoint = acceptor_.local_endpoint();
  return {endpoint.address().to_string(), endpoint.port()};
}

void HttpServer::Run(RequestRouter& router, MountLog& log) {
  router_ = &router;
  log_ = &log;
  signals_.async_wait([this](const boost::system::error_code& error, int /*signal*/) {
    if (!error)
      Stop();
  });
  {
    // Windows' console events stop it as the signals do; the stop runs on the serving thread.
    StopOnConsoleEvents([this] { boost::asio::post(control_, [this] { Stop(); }); });
    struct EndedAtStop {
      ~EndedAtStop() { EndStopOnConsoleEvents(); }
    } ended;
    Accept();
    control_.run();
  }
  // Every connection was shut by the stop; their threads end at their next read or write.
  std::list<Connection> remaining;
  {
    const std::lock_guard lock(mutex_);
    remaining.swap(connections_);
  }
  for (Connection& connection : remaining) {
    if (connection.Thread.joinable())
      connection.Thread.join();
  }
}

void HttpServer::Accept() {
  if (stopping_ || accepting_)
    return;
  {
    const std::lock_guard lock(mutex_);
    if (connections_.size() >= maxConnections_)
      return;  // taken up again when a connection ends
  }
  accepting_ = true;
  acceptor_.async_accept([this](const boost::system::error_code& error, tcp::socket socket) {
    accepting_ = false;
    if (stopping_)
      return;
    if (!error) {
      // Every write is a whole answer or a large part of a file: nothing is gained by holding a
      // short one back for the client's acknowledgement, which a client that waits for the rest
      // of the answer delays. Without it answers are only slower.
      boost::system::error_code delayed;
      socket.set_option(tcp::no_delay(true), delayed);
      if (delayed)
        log_->Note("a connection's short writes may wait: " + delayed.message());
      const std::lock_guard lock(mutex_);
      connections_.emplace_front(std::move(socket));
      const auto connection = connections_.begin();
      connection->Thread = std::thread([this, connection] {
        try {
          ServeConnection(connection->Socket, *router_, *log_);
        } catch (const std::exception& failure) {
          log_->Note(std::string("a connection failed: ") + failure.what());
        }
        boost::asio::post(control_, [this, connection] { Ended(connection); });
      });
    } else if (error != boost::asio::error::operation_aborted) {
      log_->Note("accepting a connection failed: " + error.message());
    }
    Accept();
  });
}

void HttpServer::Ended(std::list<Connection>::iterator connection) {
  if (stopping_)
    return;  // Run joins it
  std::thread thread;
  {
    const std::lock_guard lock(mutex_);
    thread = std::move(connection->Thread);
    connections_.erase(connection);
  }
  thread.join();
  Accept();
}

void HttpServer::Stop() {
  stopping_ = true;
  boost::system::error_code ignored;
  acceptor_.close(ignored);
  signals_.cancel(ignored);
  const std::lock_guard lock(mutex_);
  for (Connection& connection : connections_)
    connection.Socket.shutdown(tcp::socket::shutdown_both, ignored);
}

}  // namespace ostrel
