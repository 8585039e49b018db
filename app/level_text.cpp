#include "app/level_text.h"

#include <algorithm>

namespace ql::app {
namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

}  // namespace

std::optional<int> LevelFromText(std::string_view text, std::string_view decimalSeparator) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);

  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }

  // Whole part, capped: any number past the range is refused anyway, and a
  // cap keeps a long run of digits from overflowing.
  constexpr long kCap = 1000;
  long whole = 0;
  std::size_t digits = 0;
  while (!text.empty() && IsDigit(text.front())) {
    whole = std::min(kCap, whole * 10 + (text.front() - '0'));
    text.remove_prefix(1);
    ++digits;
  }

  // The fraction only matters as below, at or above one half, and whether
  // anything follows a leading 5.
  enum class Half { kBelow, kExact, kAbove } half = Half::kBelow;
  if (!decimalSeparator.empty() && text.starts_with(decimalSeparator)) {
    text.remove_prefix(decimalSeparator.size());
    bool first = true;
    while (!text.empty() && IsDigit(text.front())) {
      const char c = text.front();
      if (first) {
        half = c < '5' ? Half::kBelow : c > '5' ? Half::kAbove : Half::kExact;
      } else if (half == Half::kExact && c != '0') {
        half = Half::kAbove;
      }
      first = false;
      text.remove_prefix(1);
      ++digits;
    }
  }
  if (digits == 0 || !text.empty()) return std::nullopt;

  if (half == Half::kAbove || (half == Half::kExact && whole % 2 == 1)) ++whole;
  const long level = negative ? -whole : whole;
  if (level < kMinLevel || level > kMaxLevel) return std::nullopt;
  return static_cast<int>(level);
}

}  // namespace ql::app
