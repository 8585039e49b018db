// The lines that list a capability record in the diagnostic trace, shared by
// the link and by tools that show a device's capabilities offline.
#pragma once

#include <string>
#include <vector>

#include "hidlink/platform.h"

namespace ql::hidlink {

// From "  Usage: " to "  Number of Feature Data Indices: ", in record order.
std::vector<std::string> CapabilityLines(const Caps& caps);

}  // namespace ql::hidlink
