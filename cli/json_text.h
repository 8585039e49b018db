// Texts for the tool's JSON output. Device strings come from the device and
// sysfs: whatever bytes they hold, the output stays valid JSON and UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace ql::cli {

// `text` as a JSON string, quotes included: control characters escaped,
// bytes that are not UTF-8 replaced by U+FFFD.
std::string JsonString(std::string_view text);

}  // namespace ql::cli
