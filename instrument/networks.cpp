#include "instrument/networks.h"

#include <charconv>
#include <vector>

namespace ql::instrument {
namespace {

std::optional<unsigned> Decimal(std::string_view text, unsigned most) {
  unsigned value = 0;
  const auto [end, problem] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || problem != std::errc() || end != text.data() + text.size() || value > most)
    return std::nullopt;
  return value;
}

std::optional<asio::ip::address> Address(std::string_view text) {
  asio::error_code error;
  const auto address = asio::ip::make_address(std::string(text), error);
  if (error) return std::nullopt;
  return address;
}

}  // namespace

asio::ip::address Unmapped(const asio::ip::address& address) {
  if (address.is_v6() && address.to_v6().is_v4_mapped())
    return asio::ip::make_address_v4(asio::ip::v4_mapped, address.to_v6());
  return address;
}

std::optional<ListenAddress> ParseListenAddress(std::string_view text, std::string& error) {
  const std::size_t colon = text.rfind(':');
  if (colon == std::string_view::npos) {
    error = "expected ADDRESS:PORT, such as 0.0.0.0:5025 or [::]:5025";
    return std::nullopt;
  }
  std::string_view host = text.substr(0, colon);
  if (host.size() >= 2 && host.front() == '[' && host.back() == ']')
    host = host.substr(1, host.size() - 2);
  else if (host.find(':') != std::string_view::npos) {
    error = "an IPv6 address goes in brackets: [::1]:5025";
    return std::nullopt;
  }
  const auto address = Address(host);
  if (!address) {
    error = "not an IP address";
    return std::nullopt;
  }
  const auto port = Decimal(text.substr(colon + 1), 65535);
  if (!port) {
    error = "the port is 0 to 65535";
    return std::nullopt;
  }
  return ListenAddress{*address, static_cast<std::uint16_t>(*port)};
}

std::optional<Network> Network::Parse(std::string_view text, std::string& error) {
  Network network;
  if (text == "any") {
    network.any_ = true;
    return network;
  }
  const std::size_t slash = text.find('/');
  const auto base = Address(text.substr(0, slash));
  if (!base) {
    error = "expected an address, ADDRESS/PREFIX or \"any\"";
    return std::nullopt;
  }
  network.base_ = Unmapped(*base);
  const unsigned bits = network.base_.is_v4() ? 32 : 128;
  network.prefix_ = bits;
  if (slash != std::string_view::npos) {
    const auto prefix = Decimal(text.substr(slash + 1), bits);
    if (!prefix) {
      error = "the prefix length is 0 to " + std::to_string(bits);
      return std::nullopt;
    }
    network.prefix_ = *prefix;
  }
  return network;
}

bool Network::Contains(const asio::ip::address& peer) const {
  if (any_) return true;
  const asio::ip::address address = Unmapped(peer);
  if (address.is_v4() != base_.is_v4()) return false;
  std::vector<unsigned char> x, y;
  if (address.is_v4()) {
    const auto p = address.to_v4().to_bytes(), q = base_.to_v4().to_bytes();
    x.assign(p.begin(), p.end());
    y.assign(q.begin(), q.end());
  } else {
    const auto p = address.to_v6().to_bytes(), q = base_.to_v6().to_bytes();
    x.assign(p.begin(), p.end());
    y.assign(q.begin(), q.end());
  }
  unsigned left = prefix_;
  for (std::size_t i = 0; i < x.size() && left > 0; ++i) {
    const unsigned take = left >= 8 ? 8 : left;
    const auto mask = static_cast<unsigned char>(0xFF << (8 - take));
    if ((x[i] & mask) != (y[i] & mask)) return false;
    left -= take;
  }
  return true;
}

std::string Network::Text() const {
  return any_ ? "any" : base_.to_string() + "/" + std::to_string(prefix_);
}

bool IsAllowed(const asio::ip::address& peer, const std::vector<Network>& allowed) {
  const asio::ip::address address = Unmapped(peer);
  if (address.is_loopback()) return true;
  for (const Network& network : allowed)
    if (network.Contains(address)) return true;
  return false;
}

}  // namespace ql::instrument
