#include "cli/serve.h"

#include <iostream>

#include <asio/io_context.hpp>
#include <asio/signal_set.hpp>

#include "cli/local_time.h"
#include "hidlink/kept_trace.h"
#include "instrument/kit_instrument.h"
#include "instrument/tcp_server.h"

namespace ql::cli {
namespace {

// A service's journal line: the time, then what happened.
void Journal(std::ostream& err, const std::string& line) {
  err << LocalTimeText() << " ql8810 serve: " << line << std::endl;
}

std::string Shown(const asio::ip::tcp::endpoint& endpoint) {
  const auto address = endpoint.address();
  return (address.is_v6() ? "[" + address.to_string() + "]" : address.to_string()) + ":" +
         std::to_string(endpoint.port());
}

}  // namespace

int RunServe(hidlink::Link& link, const CommandLine& line, std::ostream& err) {
  // Checked with the rest of the command line already.
  std::string problem;
  const auto listen = instrument::ParseListenAddress(line.listen, problem);
  std::vector<instrument::Network> allowed;
  for (const std::string& network : line.allow)
    allowed.push_back(*instrument::Network::Parse(network, problem));

  // A server runs for weeks: its trace keeps the newest lines only.
  hidlink::KeptTrace trace;
  link.SetTrace(&trace);
  instrument::KitInstrument kit(link, trace);
  instrument::ServerLimits limits;
  limits.idle = std::chrono::seconds(line.idleTimeoutSeconds);

  asio::io_context io;
  std::unique_ptr<instrument::TcpServer> server;
  try {
    server = std::make_unique<instrument::TcpServer>(
        io, kit, *listen, allowed, limits, [&err](const std::string& text) { Journal(err, text); });
  } catch (const asio::system_error& failure) {
    err << "ql8810: serve: cannot listen on " << line.listen << ": " << failure.code().message()
        << '\n';
    link.SetTrace(nullptr);
    return 1;
  }
  std::string networks = "this PC";
  for (const auto& network : allowed) networks += ", " + network.Text();
  Journal(err, "listening on " + Shown(server->Endpoint()) + "; answering " + networks);

  asio::signal_set signals(io, SIGINT, SIGTERM);
  signals.async_wait([&](const asio::error_code& error, int signal) {
    if (error) return;
    Journal(err, std::string("stopping (") + (signal == SIGINT ? "SIGINT" : "SIGTERM") + ")");
    server->Stop();
  });
  io.run();
  link.CloseTheHid();
  link.SetTrace(nullptr);
  Journal(err, "stopped");
  return 0;
}

}  // namespace ql::cli
