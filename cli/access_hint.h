// Why a board that is present could not be opened, when the reason is a
// missing permission the user can fix.
#pragma once

#include <iosfwd>

#include "hidlink/link.h"

namespace ql::cli {

inline constexpr const char* kUdevRuleName = "70-ql8810-eval.rules";

// After a search that did not open the board: if the board is present but
// its node refuses us, says so and names the udev rule. True when it did.
bool ExplainMissingAccess(hidlink::Link& link, std::ostream& err);

}  // namespace ql::cli
