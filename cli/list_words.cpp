#include "cli/list_words.h"

#include "cli/quoted_input.h"

namespace ql::cli {

std::string ListWord(const std::string& text) {
  if (text.empty()) return "-";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte <= 0x20 || byte >= 0x7F || c == '"' || c == '\\') return QuotedInput(text);
  }
  return text;
}

}  // namespace ql::cli
