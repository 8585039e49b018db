// The network instrument's round trip, as a test program meets it: one client
// on loopback sending `DIMM:LEV n;*OPC?` and waiting for its "1", against the
// same client talking to a bare TCP echo server (one line in, the same line
// out) in the same run (I); and sixteen clients at once for ten seconds, every
// command answered, the median round trip against one client's (J). Both
// servers run on a thread of their own, on the simulated board; the client is
// plain blocking sockets, no VISA.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <asio/io_context.hpp>
#include <asio/ip/tcp.hpp>
#include <asio/read_until.hpp>
#include <asio/streambuf.hpp>
#include <asio/write.hpp>

#include "board/board_identity.h"
#include "board/simulated_board.h"
#include "hidlink/kept_trace.h"
#include "instrument/kit_instrument.h"
#include "instrument/tcp_server.h"

namespace {

using asio::ip::tcp;
using Clock = std::chrono::steady_clock;

// The yardstick: one line in, the same line out, on one thread with Asio as
// the instrument's server is.
class EchoServer {
 public:
  EchoServer() : acceptor_(io_, tcp::endpoint(asio::ip::make_address("127.0.0.1"), 0)) {
    Accept();
    thread_ = std::thread([this] { io_.run(); });
  }
  ~EchoServer() {
    io_.stop();
    thread_.join();
  }
  unsigned short Port() const { return acceptor_.local_endpoint().port(); }

 private:
  struct Session : std::enable_shared_from_this<Session> {
    explicit Session(tcp::socket s) : socket(std::move(s)) {}
    void Read() {
      asio::async_read_until(
          socket, buffer, '\n',
          [self = shared_from_this()](const asio::error_code& error, std::size_t n) {
            if (error) return;
            self->line.assign(
                asio::buffers_begin(self->buffer.data()),
                asio::buffers_begin(self->buffer.data()) + static_cast<std::ptrdiff_t>(n));
            self->buffer.consume(n);
            asio::async_write(self->socket, asio::buffer(self->line),
                              [self](const asio::error_code& e, std::size_t) {
                                if (!e) self->Read();
                              });
          });
    }
    tcp::socket socket;
    asio::streambuf buffer;
    std::string line;
  };
  void Accept() {
    acceptor_.async_accept([this](const asio::error_code& error, tcp::socket socket) {
      if (error) return;
      socket.set_option(tcp::no_delay(true));
      std::make_shared<Session>(std::move(socket))->Read();
      Accept();
    });
  }
  asio::io_context io_;
  tcp::acceptor acceptor_;
  std::thread thread_;
};

// `ql8810 serve` on the simulated board, in this process.
class InstrumentServer {
 public:
  InstrumentServer()
      : sim_(ql::board::MakeSimulatedPc(ql::hidlink::sim::Scenario::kBoard)),
        link_(std::move(sim_.platform), ql::board::kBoardIdentity) {
    link_.SetTrace(&trace_);
    link_.LoadReportConstants();
    ql::instrument::ServerLimits limits;
    server_ = std::make_unique<ql::instrument::TcpServer>(
        io_, kit_, ql::instrument::ListenAddress{asio::ip::make_address("127.0.0.1"), 0},
        std::vector<ql::instrument::Network>{}, limits, [](const std::string&) {});
    thread_ = std::thread([this] { io_.run(); });
  }
  ~InstrumentServer() {
    asio::post(io_, [this] { server_->Stop(); });
    thread_.join();
  }
  unsigned short Port() const { return server_->Endpoint().port(); }

 private:
  ql::board::SimulatedPc sim_;
  ql::hidlink::Link link_;
  ql::hidlink::KeptTrace trace_;
  ql::instrument::KitInstrument kit_{link_, trace_};
  asio::io_context io_;
  std::unique_ptr<ql::instrument::TcpServer> server_;
  std::thread thread_;
};

// A client of either: a line out, a line back.
class Client {
 public:
  explicit Client(unsigned short port) : socket_(io_) {
    socket_.connect(tcp::endpoint(asio::ip::make_address("127.0.0.1"), port));
    socket_.set_option(tcp::no_delay(true));
  }
  std::string RoundTrip(const std::string& line) {
    asio::write(socket_, asio::buffer(line));
    const std::size_t n = asio::read_until(socket_, buffer_, '\n');
    std::string answer(asio::buffers_begin(buffer_.data()),
                       asio::buffers_begin(buffer_.data()) + static_cast<std::ptrdiff_t>(n));
    buffer_.consume(n);
    return answer;
  }

 private:
  asio::io_context io_;
  tcp::socket socket_;
  asio::streambuf buffer_;
};

std::string LevelCommand(int n) {
  return "DIMM:LEV " + std::to_string(n & 31) + ";*OPC?\n";
}

// I: one client, one round trip an iteration.
void BM_RoundTrip(benchmark::State& state, bool instrument) {
  std::unique_ptr<EchoServer> echo;
  std::unique_ptr<InstrumentServer> kit;
  if (instrument)
    kit = std::make_unique<InstrumentServer>();
  else
    echo = std::make_unique<EchoServer>();
  Client client(instrument ? kit->Port() : echo->Port());
  int n = 0;
  for (auto _ : state) {
    const std::string line = LevelCommand(n++);
    const std::string answer = client.RoundTrip(line);
    if (answer != (instrument ? "1\n" : line)) {
      state.SkipWithError("a wrong answer");
      break;
    }
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK_CAPTURE(BM_RoundTrip, Echo, false)->UseRealTime()->MinTime(2.0);
BENCHMARK_CAPTURE(BM_RoundTrip, Instrument, true)->UseRealTime()->MinTime(2.0);

// J: sixteen clients, each as fast as it can for ten seconds.
void BM_SixteenClients(benchmark::State& state) {
  constexpr int kClients = 16;
  for (auto _ : state) {
    InstrumentServer kit;
    std::vector<std::vector<double>> rtts(kClients);
    std::atomic<long> sent{0}, answered{0}, wrong{0};
    const auto end = Clock::now() + std::chrono::seconds(10);
    std::vector<std::thread> clients;
    for (int c = 0; c < kClients; ++c) {
      clients.emplace_back([&, c] {
        Client client(kit.Port());
        for (int n = c; Clock::now() < end; n += kClients) {
          const auto started = Clock::now();
          ++sent;
          const std::string answer = client.RoundTrip(LevelCommand(n));
          rtts[c].push_back(
              std::chrono::duration<double, std::micro>(Clock::now() - started).count());
          ++(answer == "1\n" ? answered : wrong);
        }
      });
    }
    for (auto& t : clients) t.join();
    std::vector<double> all;
    for (const auto& r : rtts) all.insert(all.end(), r.begin(), r.end());
    std::nth_element(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(all.size() / 2),
                     all.end());
    state.counters["median_rtt_us"] = all.empty() ? 0 : all[all.size() / 2];
    state.counters["commands"] = static_cast<double>(sent.load());
    state.counters["lost"] = static_cast<double>(sent.load() - answered.load());
    state.counters["wrong"] = static_cast<double>(wrong.load());
  }
}
BENCHMARK(BM_SixteenClients)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
