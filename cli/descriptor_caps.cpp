#include "cli/descriptor_caps.h"

#include <fstream>
#include <iterator>
#include <ostream>
#include <vector>

#include "hidlink/capability_lines.h"
#include "hidlink/report_descriptor.h"

namespace ql::cli {
namespace {

// Far beyond what the kernel hands out (4096 bytes): anything larger is not
// a descriptor.
constexpr std::size_t kMaxDescriptorSize = 1 << 20;

}  // namespace

int RunCapsForDescriptor(const std::string& path, std::ostream& out, std::ostream& err) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    err << "ql8810: cannot read " << path << '\n';
    return 1;
  }
  std::vector<std::uint8_t> bytes;
  char c;
  while (bytes.size() <= kMaxDescriptorSize && in.get(c))
    bytes.push_back(static_cast<std::uint8_t>(c));
  if (in.bad() || bytes.size() > kMaxDescriptorSize) {
    err << "ql8810: " << path << " is not a report descriptor (unreadable or over 1 MiB)\n";
    return 1;
  }
  const auto summary = hidlink::ParseReportDescriptor(bytes);
  for (const std::string& line : hidlink::CapabilityLines(summary.caps)) out << line << '\n';
  if (!summary.complete)
    err << "ql8810: " << path << " ends inside an item; the lines describe the items before it\n";
  return 0;
}

}  // namespace ql::cli
