// The instrument on raw TCP (the LXI "SOCKET" convention, port 5025): one
// line a program message, one line a response. One thread runs it all, so
// the messages of every client run one at a time, in the order they came,
// each whole; a send that blocks delays the others and loses nothing.
// Each connection is bounded: its line, the responses it has not read, its
// idle time; none can stall the others or grow the server's memory.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <asio/io_context.hpp>
#include <asio/ip/tcp.hpp>

#include "instrument/kit_instrument.h"
#include "instrument/networks.h"

namespace ql::instrument {

struct ServerLimits {
  std::size_t clients = 16;
  std::size_t lineBytes = 64 * 1024;
  // Responses a client has not read yet; past this, the next message drops
  // them (-410 "Query INTERRUPTED").
  std::size_t unreadBytes = 1024 * 1024;
  std::chrono::milliseconds idle = std::chrono::minutes(10);
  // A query sent without its line's end and then left: the client is
  // waiting for an answer that cannot come (-420 "Query UNTERMINATED").
  std::chrono::milliseconds unterminated = std::chrono::seconds(2);
};

class TcpServer {
 public:
  using Log = std::function<void(const std::string&)>;

  // Listens at once; throws asio::system_error when it cannot.
  TcpServer(asio::io_context& io, KitInstrument& instrument, const ListenAddress& listen,
            std::vector<Network> allowed, ServerLimits limits, Log log);
  ~TcpServer();
  TcpServer(const TcpServer&) = delete;
  TcpServer& operator=(const TcpServer&) = delete;

  asio::ip::tcp::endpoint Endpoint() const { return acceptor_.local_endpoint(); }
  std::size_t Clients() const { return connections_.size(); }
  // Stops listening and closes every connection; the io_context's run
  // returns once their handlers are done.
  void Stop();

 private:
  class Connection;
  void Accept();
  void Closed(const std::shared_ptr<Connection>& connection);

  KitInstrument& instrument_;
  asio::ip::tcp::acceptor acceptor_;
  std::vector<Network> allowed_;
  ServerLimits limits_;
  Log log_;
  std::set<std::shared_ptr<Connection>> connections_;
  bool stopped_ = false;
};

}  // namespace ql::instrument
