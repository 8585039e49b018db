// The link's trace written out as it is made, a line at a time, for the tool:
// a sweep stopped half way keeps every line up to its last send, and a run of
// days holds no more than one send's lines.
#pragma once

#include <cstdio>
#include <string>

#include "hidlink/trace_sink.h"

namespace ql::hidlink {

class StreamedTrace final : public TraceSink {
 public:
  explicit StreamedTrace(std::FILE* out) : out_(out) {}
  ~StreamedTrace() override { Flush(); }
  StreamedTrace(const StreamedTrace&) = delete;
  StreamedTrace& operator=(const StreamedTrace&) = delete;

  void Append(std::string_view line) override;
  // Writes out the lines held: the link calls it after every send and before
  // every wait.
  void Flush() override;

 private:
  std::FILE* out_;
  // One send's lines go out in one write.
  std::string pending_;
};

}  // namespace ql::hidlink
