// Who may talk to the instrument: the address it listens on, and the
// networks (`--allow`) whose clients it answers. This PC's own clients
// (loopback) are always answered; anyone else only when a network allows it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <asio/ip/address.hpp>

namespace ql::instrument {

struct ListenAddress {
  asio::ip::address address;
  std::uint16_t port = 0;
};

// "127.0.0.1:5025", "0.0.0.0:5025", "[::1]:5025", "[::]:5025". Port 0 asks
// the system for a free one. On failure, `error` says why.
std::optional<ListenAddress> ParseListenAddress(std::string_view text, std::string& error);

class Network {
 public:
  // "10.0.0.0/8", "192.168.1.7", "fd00::/8", or "any".
  static std::optional<Network> Parse(std::string_view text, std::string& error);
  bool Contains(const asio::ip::address& address) const;
  std::string Text() const;

 private:
  bool any_ = false;
  asio::ip::address base_;
  unsigned prefix_ = 0;
};

// Whether a client at `peer` is answered: loopback always, else when one of
// `allowed` contains it. An IPv4 client reaching an IPv6 socket counts by its
// IPv4 address.
bool IsAllowed(const asio::ip::address& peer, const std::vector<Network>& allowed);

// `address` with an IPv4 address mapped into IPv6 (::ffff:a.b.c.d) as IPv4.
asio::ip::address Unmapped(const asio::ip::address& address);

}  // namespace ql::instrument
