#include "cli/quoted_input.h"

#include <cstdint>
#include <cstdio>

namespace ql::cli {
namespace {

// One decoded code point and its length in bytes; length 1 with `valid`
// false for a byte that does not start a well-formed UTF-8 sequence.
struct CodePoint {
  char32_t value = 0;
  std::size_t length = 1;
  bool valid = false;
};

CodePoint Decode(std::string_view text) {
  const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
  const std::uint8_t lead = byte(0);
  if (lead < 0x80) return {lead, 1, true};
  // Sequence length, payload bits of the lead byte, smallest value that is
  // not an overlong encoding.
  std::size_t length = 4;
  char32_t value = lead & 0x07;
  char32_t least = 0x10000;
  if ((lead & 0xE0) == 0xC0) {
    length = 2;
    value = lead & 0x1F;
    least = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3;
    value = lead & 0x0F;
    least = 0x800;
  } else if ((lead & 0xF8) != 0xF0) {
    return {};
  }
  if (text.size() < length) return {};
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return {};
    value = (value << 6) | (byte(i) & 0x3F);
  }
  if (value < least || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return {};
  return {value, length, true};
}

// Code points that move or break the rest of the line when printed as they are.
bool NeedsEscape(char32_t c) {
  return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x061C || c == 0x200E || c == 0x200F ||
         c == 0x2028 || c == 0x2029 || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

// \n, \x1B, \u202E: short forms for the usual controls, else the value.
std::string Escape(char32_t c) {
  switch (c) {
    case '\n':
      return "\\n";
    case '\r':
      return "\\r";
    case '\t':
      return "\\t";
    case '"':
      return "\\\"";
    case '\\':
      return "\\\\";
    default:
      break;
  }
  char text[16];
  std::snprintf(text, sizeof text, c < 0x80 ? "\\x%02X" : "\\u%04X", static_cast<unsigned>(c));
  return text;
}

// A byte that is not UTF-8 is shown as the byte it is, not as a code point.
std::string EscapeByte(std::uint8_t byte) {
  char text[16];
  std::snprintf(text, sizeof text, "\\x%02X", static_cast<unsigned>(byte));
  return text;
}

}  // namespace

std::string QuotedInput(std::string_view input) {
  std::string quoted = "\"";
  std::size_t shown = 0;  // characters shown so far; an escape counts as its length
  while (!input.empty()) {
    if (shown >= kEchoedInputLength) {
      quoted += "\u2026";
      break;
    }
    const CodePoint c = Decode(input);
    if (!c.valid) {
      const std::string piece = EscapeByte(static_cast<std::uint8_t>(input[0]));
      quoted += piece;
      shown += piece.size();
    } else if (c.value == '"' || c.value == '\\' || NeedsEscape(c.value)) {
      const std::string piece = Escape(c.value);
      quoted += piece;
      shown += piece.size();
    } else {
      quoted += input.substr(0, c.length);
      ++shown;
    }
    input.remove_prefix(c.length);
  }
  return quoted + "\"";
}

}  // namespace ql::cli
