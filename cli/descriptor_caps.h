// `ql8810 caps --descriptor FILE`: the capability lines of the trace for a raw
// report descriptor, such as /sys/class/hidraw/hidrawN/device/report_descriptor.
#pragma once

#include <iosfwd>
#include <string>

namespace ql::cli {

// 0 when the file was read and listed, 1 when it could not be read.
int RunCapsForDescriptor(const std::string& path, std::ostream& out, std::ostream& err);

}  // namespace ql::cli
