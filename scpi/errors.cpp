#include "scpi/errors.h"

namespace ql::scpi {

std::uint8_t EventBitOf(int code) {
  if (code <= -100 && code > -200) return esr::kCommandError;
  if (code <= -200 && code > -300) return esr::kExecutionError;
  if (code <= -400 && code > -500) return esr::kQueryError;
  if (code != 0) return esr::kDeviceDependentError;
  return 0;
}

std::string QuotedString(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + '"';
}

std::string ErrorResponse(int code, std::string_view text, std::string_view info) {
  std::string message(text);
  if (!info.empty()) {
    message += ';';
    message += info;
  }
  return std::to_string(code) + "," + QuotedString(message);
}

}  // namespace ql::scpi
