// The server's connections: one listening socket, and each accepted connection served on a thread
// of its own, its requests one after another, so that a slow decryption or a slow client holds up
// no one else. The number of connections at once is bounded; more wait to be accepted. SIGINT and
// SIGTERM (Ctrl-C), and on Windows the console's events (Ctrl-C, Ctrl-Break, the console closing,
// logging off, shutting down) stop it: no new connection is taken, the open ones are shut, and Run
// returns once every thread has ended.
#pragma once

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/signal_set.hpp>

#include <atomic>
#include <cstdint>
#include <list>
#include <mutex>
#include <thread>

#include "tool/mount/mount_log.h"
#include "tool/serve/listen_address.h"
#include "tool/serve/request_router.h"

namespace ostrel {

class HttpServer {
 public:
  // Binds the address; raises std::runtime_error with the system's reason when it cannot.
  HttpServer(const ListenAddress& address, std::size_t maxConnections);
  ~HttpServer();
  HttpServer(const HttpServer&) = delete;
  HttpServer& operator=(const HttpServer&) = delete;

  // The address bound, with the port the system chose for port 0.
  ListenAddress Bound() const;

  // Serves until a stopping signal arrives.
  void Run(RequestRouter& router, MountLog& log);

 private:
  struct Connection {
    explicit Connection(boost::asio::ip::tcp::socket socket) : Socket(std::move(socket)) {}
    boost::asio::ip::tcp::socket Socket;
    std::thread Thread;
  };

  void Accept();
  void Ended(std::list<Connection>::iterator connection);
  void Stop();

  boost::asio::io_context control_;
  boost::asio::ip::tcp::acceptor acceptor_;
  boost::asio::signal_set signals_;
  const std::size_t maxConnections_;
  bool accepting_ = false;  // an accept is pending
  bool stopping_ = false;
  RequestRouter* router_ = nullptr;
  MountLog* log_ = nullptr;
  std::mutex mutex_;  // guards the list, which connection threads' sockets the stop shuts
  std::list<Connection> connections_;
};

}  // namespace ostrel
