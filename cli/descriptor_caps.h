// `ql8810 caps --descriptor FILE`: the capability lines of the trace for a raw
// report descriptor, such as /sys/class/hidraw/hidrawN/device/report_descriptor.
#pragma once

#include <iosfwd>
#include <string>

namespace ql::cli {

// 0 when the file was read and listed; 2, as for any bad command line, when
// it cannot be read or is not a descriptor of any report.
int RunCapsForDescriptor(const std::string& path, std::ostream& out, std::ostream& err);

}  // namespace ql::cli
