// Number and byte texts of the diagnostic trace, and the system text of an
// error code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace ql::hidlink {

class Platform;

// Upper-case hex digits, no prefix, no leading zeros ("0" for zero).
std::string HexText(std::uint32_t value);
// Decimal digits, no sign for unsigned values, no leading zeros.
std::string DecimalText(std::int64_t value);
// Two upper-case hex digits.
std::string TwoHexDigits(std::uint8_t value);

// Each of the first `count` bytes as two upper-case hex digits and a blank.
// A count beyond the bytes given is cut to them.
std::string HexByteText(std::span<const std::uint8_t> bytes, std::size_t count);

// The platform's message for `code` without its closing line break; empty
// when there is none, when it did not fit 128 characters, or when it is two
// characters or shorter.
std::string SystemErrorText(const Platform& platform, std::uint32_t code);

}  // namespace ql::hidlink
