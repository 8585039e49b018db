#include "cli/number_args.h"

#include <charconv>

#include "cli/quoted_input.h"

namespace ql::cli {
namespace {

ParsedNumber Bad(std::string_view what, std::string message) {
  return {std::nullopt, std::string(what) + ": " + message};
}

}  // namespace

ParsedNumber ParseNumber(std::string_view text, std::int64_t min, std::int64_t max,
                         std::string_view what, NumberBase base) {
  const std::string range = std::to_string(min) + " to " + std::to_string(max);
  std::string expected = "a whole number " + range;
  if (base == NumberBase::kDecimalOrHex) expected += ", decimal or 0x-hex";
  if (base == NumberBase::kHex) expected += " in hex digits";
  if (text.empty()) return Bad(what, "empty value; expected " + expected);

  std::string_view digits = text;
  bool negative = false;
  if (base != NumberBase::kHex && (digits.front() == '-' || digits.front() == '+')) {
    negative = digits.front() == '-';
    digits.remove_prefix(1);
  }
  int radix = base == NumberBase::kHex ? 16 : 10;
  if (base != NumberBase::kDecimal && digits.size() > 2 && digits[0] == '0' &&
      (digits[1] == 'x' || digits[1] == 'X')) {
    radix = 16;
    digits.remove_prefix(2);
  }
  std::uint64_t magnitude = 0;
  const char* end = digits.data() + digits.size();
  const auto [ptr, ec] = std::from_chars(digits.data(), end, magnitude, radix);
  if (digits.empty() || ptr != end || ec == std::errc::invalid_argument)
    return Bad(what, QuotedInput(text) + " is not " + expected);
  const std::uint64_t limit = negative ? static_cast<std::uint64_t>(-(min < 0 ? min : 0))
                                       : static_cast<std::uint64_t>(max < 0 ? 0 : max);
  if (ec == std::errc::result_out_of_range || magnitude > limit)
    return Bad(what, QuotedInput(text) + " is out of range; expected " + expected);
  const auto value =
      negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
  if (value < min || value > max)
    return Bad(what, QuotedInput(text) + " is out of range; expected " + expected);
  return {value, {}};
}

}  // namespace ql::cli
