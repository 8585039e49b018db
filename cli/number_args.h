// Whole numbers typed on the command line, checked strictly: a clear word on
// anything that is not exactly a number in range.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ql::cli {

struct ParsedNumber {
  std::optional<std::int64_t> value;
  std::string error;  // set when value is empty
};

// kHex: hex digits, with or without 0x ("5F", "0x5f"); no sign.
enum class NumberBase { kDecimal, kDecimalOrHex, kHex };

// `what` names the argument in the error ("level", "--step").
ParsedNumber ParseNumber(std::string_view text, std::int64_t min, std::int64_t max,
                         std::string_view what, NumberBase base = NumberBase::kDecimal);

}  // namespace ql::cli
