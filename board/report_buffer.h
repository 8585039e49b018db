// A fresh output report, one for each command: AllReportLen zero bytes,
// never fewer than the header and the payload, even before the link's
// constants are loaded. It lives on the stack, so a send allocates nothing.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <span>

#include "hidlink/link.h"

namespace ql::board {

class ReportBuffer {
 public:
  explicit ReportBuffer(const hidlink::Link& link)
      : length_(static_cast<std::size_t>(std::clamp<std::int16_t>(
            link.AllReportLen(), 8, static_cast<std::int16_t>(kCapacity)))) {}

  std::uint8_t& operator[](std::size_t index) { return bytes_[index]; }
  std::span<const std::uint8_t> Bytes() const { return {bytes_.data(), length_}; }

 private:
  static constexpr std::size_t kCapacity = 16;
  std::array<std::uint8_t, kCapacity> bytes_{};
  std::size_t length_;
};

}  // namespace ql::board
