#include "hidlink/streamed_trace.h"

namespace ql::hidlink {
namespace {

// Far more than a send makes; a long search is written out in pieces.
constexpr std::size_t kMostHeld = 64 * 1024;

}  // namespace

void StreamedTrace::Append(std::string_view line) {
  pending_ += line;
  pending_ += '\n';
  if (pending_.size() >= kMostHeld) Flush();
}

void StreamedTrace::Flush() {
  if (pending_.empty()) return;
  // A reader that went away (a closed pipe) loses the trace, never the run.
  std::fwrite(pending_.data(), 1, pending_.size(), out_);
  std::fflush(out_);
  pending_.clear();
}

}  // namespace ql::hidlink
