#include "instrument/tcp_server.h"

#include <array>
#include <deque>

#include <asio/read.hpp>
#include <asio/steady_timer.hpp>
#include <asio/write.hpp>

namespace ql::instrument {
namespace {

std::string Peer(const asio::ip::tcp::socket& socket) {
  asio::error_code error;
  const auto endpoint = socket.remote_endpoint(error);
  if (error) return "?";
  const auto address = Unmapped(endpoint.address());
  return (address.is_v6() ? "[" + address.to_string() + "]" : address.to_string()) + ":" +
         std::to_string(endpoint.port());
}

// Whether a partial message holds a query: a '?' outside quotes.
bool HoldsQuery(const std::string& text) {
  char quote = 0;
  for (const char c : text) {
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '?') {
      return true;
    }
  }
  return false;
}

}  // namespace

class TcpServer::Connection : public std::enable_shared_from_this<Connection> {
 public:
  Connection(TcpServer& server, asio::ip::tcp::socket socket)
      : server_(server),
        socket_(std::move(socket)),
        peer_(Peer(socket_)),
        idle_(socket_.get_executor()),
        unterminated_(socket_.get_executor()) {}

  const std::string& PeerName() const { return peer_; }

  void Start() {
    ArmIdle();
    Read();
  }

  void Close(const std::string& why) {
    if (closed_) return;
    closed_ = true;
    asio::error_code ignored;
    socket_.shutdown(asio::ip::tcp::socket::shutdown_both, ignored);
    socket_.close(ignored);
    idle_.cancel();
    unterminated_.cancel();
    server_.log_("closed " + peer_ + (why.empty() ? "" : " (" + why + ")"));
    server_.Closed(shared_from_this());
  }

 private:
  void ArmIdle() {
    idle_.expires_after(server_.limits_.idle);
    idle_.async_wait([self = shared_from_this()](const asio::error_code& error) {
      if (!error)
        self->Close("idle for " +
                    std::to_string(
                        std::chrono::duration_cast<std::chrono::seconds>(self->server_.limits_.idle)
                            .count()) +
                    " s");
    });
  }

  void Read() {
    socket_.async_read_some(
        asio::buffer(buffer_),
        [self = shared_from_this()](const asio::error_code& error, std::size_t n) {
          if (self->closed_) return;
          if (error) {
            // A message cut short by the client's leaving is never run.
            self->Close(error == asio::error::eof ? "" : error.message());
            return;
          }
          self->Received(n);
        });
  }

  void Received(std::size_t n) {
    ArmIdle();
    pending_.append(buffer_.data(), n);
    for (std::size_t end; !closed_ && (end = pending_.find('\n')) != std::string::npos;) {
      std::string line = pending_.substr(0, end);
      pending_.erase(0, end + 1);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.size() > server_.limits_.lineBytes) return Overrun();
      Run(line);
    }
    if (closed_) return;
    if (pending_.size() > server_.limits_.lineBytes) return Overrun();
    if (pending_.empty()) {
      unterminated_.cancel();
    } else {
      unterminated_.expires_after(server_.limits_.unterminated);
      unterminated_.async_wait([self = shared_from_this()](const asio::error_code& error) {
        if (error || self->closed_ || !HoldsQuery(self->pending_)) return;
        self->session_.Report(scpi::kQueryUnterminated, "a query without its line's end");
        self->pending_.clear();
      });
    }
    Read();
  }

  // A line longer than the limit: the client is told, and let go.
  void Overrun() {
    session_.Report(scpi::kInputBufferOverrun);
    const std::string line =
        scpi::ErrorResponse(
            scpi::kInputBufferOverrun.code, scpi::kInputBufferOverrun.text,
            "line over " + std::to_string(server_.limits_.lineBytes / 1024) + " KiB") +
        "\n";
    asio::error_code ignored;
    asio::write(socket_, asio::buffer(line), ignored);
    Close("a line over " + std::to_string(server_.limits_.lineBytes / 1024) + " KiB");
  }

  void Run(const std::string& line) {
    // Answers the client has not read for a while go, rather than pile up.
    if (unread_ > server_.limits_.unreadBytes && queue_.size() > 1) {
      while (queue_.size() > 1) {
        unread_ -= queue_.back().size();
        queue_.pop_back();
      }
      session_.Report(scpi::kQueryInterrupted, "answers not read");
    }
    session_.lastReported = 0;
    std::string answer = server_.instrument_.Execute(session_, line);
    if (session_.lastReported == kLinkFailedCode || session_.lastReported == kBusWriteFailedCode)
      server_.log_("failed send for " + peer_ + ": " + session_.errors.Newest());
    if (answer.empty()) return;
    answer += '\n';
    unread_ += answer.size();
    queue_.push_back(std::move(answer));
    if (queue_.size() == 1) Write();
  }

  void Write() {
    asio::async_write(socket_, asio::buffer(queue_.front()),
                      [self = shared_from_this()](const asio::error_code& error, std::size_t) {
                        if (self->closed_) return;
                        if (error) return self->Close(error.message());
                        self->unread_ -= self->queue_.front().size();
                        self->queue_.pop_front();
                        if (!self->queue_.empty()) self->Write();
                      });
  }

  TcpServer& server_;
  asio::ip::tcp::socket socket_;
  std::string peer_;
  Session session_;
  std::array<char, 4096> buffer_{};
  std::string pending_;
  // Answers in order; the front one is being written.
  std::deque<std::string> queue_;
  std::size_t unread_ = 0;
  asio::steady_timer idle_;
  asio::steady_timer unterminated_;
  bool closed_ = false;
};

TcpServer::TcpServer(asio::io_context& io, KitInstrument& instrument, const ListenAddress& listen,
                     std::vector<Network> allowed, ServerLimits limits, Log log)
    : instrument_(instrument),
      acceptor_(io, asio::ip::tcp::endpoint(listen.address, listen.port)),
      allowed_(std::move(allowed)),
      limits_(limits),
      log_(std::move(log)) {
  Accept();
}

TcpServer::~TcpServer() {
  Stop();
}

void TcpServer::Accept() {
  acceptor_.async_accept([this](const asio::error_code& error, asio::ip::tcp::socket socket) {
    if (stopped_) return;
    if (!error) {
      const std::string peer = Peer(socket);
      asio::error_code peerError;
      const auto endpoint = socket.remote_endpoint(peerError);
      asio::error_code ignored;
      if (peerError) {
        socket.close(ignored);
      } else if (!IsAllowed(endpoint.address(), allowed_)) {
        // Unanswered: not a byte goes back to a client from elsewhere.
        socket.close(ignored);
        log_("refused " + peer + " (not in --allow)");
      } else if (connections_.size() >= limits_.clients) {
        socket.close(ignored);
        log_("refused " + peer + " (" + std::to_string(limits_.clients) +
             " clients connected already)");
      } else {
        socket.set_option(asio::ip::tcp::no_delay(true), ignored);
        auto connection = std::make_shared<Connection>(*this, std::move(socket));
        connections_.insert(connection);
        log_("opened " + connection->PeerName() + " (" + std::to_string(connections_.size()) +
             " of " + std::to_string(limits_.clients) + ")");
        connection->Start();
      }
    } else if (error == asio::error::operation_aborted) {
      return;
    }
    Accept();
  });
}

void TcpServer::Closed(const std::shared_ptr<Connection>& connection) {
  connections_.erase(connection);
}

void TcpServer::Stop() {
  if (stopped_) return;
  stopped_ = true;
  asio::error_code ignored;
  acceptor_.close(ignored);
  // Closing removes each from the set: close a copy.
  for (const auto& connection : std::set(connections_)) connection->Close("the server stops");
}

}  // namespace ql::instrument
