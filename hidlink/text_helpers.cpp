#include "hidlink/text_helpers.h"

#include <algorithm>
#include <array>
#include <charconv>

#include "hidlink/platform.h"

namespace ql::hidlink {

std::string HexText(std::uint32_t value) {
  std::array<char, 8> digits{};
  auto [end, ec] = std::to_chars(digits.data(), digits.data() + digits.size(), value, 16);
  std::string text(digits.data(), end);
  std::transform(text.begin(), text.end(), text.begin(), [](char c) {
    return (c >= 'a' && c <= 'f') ? static_cast<char>(c - 'a' + 'A') : c;
  });
  return text;
}

std::string DecimalText(std::int64_t value) {
  return std::to_string(value);
}

std::string TwoHexDigits(std::uint8_t value) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  return {kDigits[value >> 4], kDigits[value & 0x0F]};
}

std::string HexByteText(std::span<const std::uint8_t> bytes, std::size_t count) {
  count = std::min(count, bytes.size());
  std::string text;
  text.reserve(count * 3);
  for (std::size_t i = 0; i < count; ++i) {
    text += TwoHexDigits(bytes[i]);
    text += ' ';
  }
  return text;
}

std::string SystemErrorText(const Platform& platform, std::uint32_t code) {
  // 129 zeroed characters, 128 offered: whatever the platform does, the text
  // stays terminated.
  std::array<char, 129> buffer{};
  const std::uint32_t n = platform.FormatSystemMessage(code, std::span(buffer.data(), 128));
  if (n <= 2 || n > 128) return {};
  return std::string(buffer.data(), n - 2);
}

}  // namespace ql::hidlink
