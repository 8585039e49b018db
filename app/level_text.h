// The dimming level typed or chosen in the window's list, as a number.
#pragma once

#include <optional>
#include <string_view>

#include "board/report_layout.h"

namespace ql::app {

using board::kMaxLevel;
using board::kMinLevel;

// Decimal digits with optional blanks around them, an optional sign and an
// optional fraction after `decimalSeparator` (the user's locale's). A fraction
// is rounded to the nearest whole number, an exact half to the even one, so
// "16.5" gives 16 and "17.5" gives 18. Anything else, or a result outside
// 0 to 31, gives nothing.
std::optional<int> LevelFromText(std::string_view text, std::string_view decimalSeparator);

}  // namespace ql::app
