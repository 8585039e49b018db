// Where the link's trace goes. The link makes each line once, for the one
// sink a program attached, and makes none at all while none is attached: a
// tool that nobody asked for a trace pays nothing for it.
//
// The programs attach what suits them: the windows the whole diagnostic list
// (DiagnosticList), the library the newest lines (KeptTrace), the tool a
// stream to standard error (StreamedTrace).
#pragma once

#include <string_view>

namespace ql::hidlink {

class TraceSink {
 public:
  virtual ~TraceSink() = default;
  // One new line, exactly as the diagnostic window lists it.
  virtual void Append(std::string_view line) = 0;
  // The link asks for its last line to be selected, as the diagnostic
  // window's list box does; a sink without a selection ignores it.
  virtual void SelectLast() {}
  // The link has finished a send, or is about to wait: a sink that writes
  // somewhere pushes out what it holds, so that nothing made before a stop
  // is lost.
  virtual void Flush() {}
};

}  // namespace ql::hidlink
