// The words of the tool's device lines (list, watch).
#pragma once

#include <string>

namespace ql::cli {

// A serial number or port as one word: "-" when unknown, quoted when it
// holds a blank or anything unusual.
std::string ListWord(const std::string& text);

}  // namespace ql::cli
