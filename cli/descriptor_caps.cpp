#include "cli/descriptor_caps.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <ostream>
#include <vector>

#include "cli/quoted_input.h"
#include "hidlink/capability_lines.h"
#include "hidlink/report_descriptor.h"

namespace ql::cli {
namespace {

constexpr int kBadFile = 2;

// Far beyond what the kernel hands out (4096 bytes): anything larger is not
// a descriptor.
constexpr std::size_t kMaxDescriptorSize = 1 << 20;

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

int RunCapsForDescriptor(const std::string& path, std::ostream& out, std::ostream& err) {
  const std::string named = "ql8810: --descriptor " + QuotedInput(path);
  std::vector<std::uint8_t> bytes(kMaxDescriptorSize + 1);
  errno = 0;
  const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  const std::size_t size = file ? std::fread(bytes.data(), 1, bytes.size(), file.get()) : 0;
  if (!file || std::ferror(file.get())) {
    // A directory opens but does not read.
    const int error = errno;
    err << named << ": cannot read it" << (error ? ": " + std::string(std::strerror(error)) : "")
        << '\n';
    return kBadFile;
  }
  bytes.resize(size);
  if (bytes.empty()) {
    err << named << ": the file is empty\n";
    return kBadFile;
  }
  if (bytes.size() > kMaxDescriptorSize) {
    err << named << ": over 1 MiB, not a report descriptor\n";
    return kBadFile;
  }
  const auto summary = hidlink::ParseReportDescriptor(bytes);
  const hidlink::Caps& caps = summary.caps;
  if (caps.InputReportByteLength == 0 && caps.OutputReportByteLength == 0 &&
      caps.FeatureReportByteLength == 0) {
    err << named << ": declares no report" << (summary.complete ? "" : " (it ends inside an item)")
        << '\n';
    return kBadFile;
  }
  for (const std::string& line : hidlink::CapabilityLines(caps)) out << line << '\n';
  if (!summary.complete)
    err << named << ": ends inside an item; the lines describe the items before it\n";
  return 0;
}

}  // namespace ql::cli
