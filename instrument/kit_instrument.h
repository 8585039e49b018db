// The kit as a SCPI instrument: program messages in, response lines out, over
// the same link as the tool. One board per instrument; each client has a
// session of its own (its error queue, status and header path), and the
// messages of all clients run one at a time, each whole. Knows nothing of
// sockets: the server hands it lines.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "hidlink/kept_trace.h"
#include "hidlink/link.h"
#include "scpi/error_queue.h"
#include "scpi/status.h"

namespace ql::instrument {

struct Session {
  scpi::ErrorQueue errors;
  scpi::Status status;
  int lastReported = 0;  // the code of the latest error reported

  // Queues the error and sets its event bit.
  void Report(const scpi::Error& error, std::string_view info = {});
};

// A board that is not found, or takes no report: device-specific errors
// whose texts are the operator's messages.
inline constexpr int kLinkFailedCode = 101;
inline constexpr int kBusWriteFailedCode = 102;

class KitInstrument {
 public:
  // `link` has its report constants loaded and its board selector set; its
  // trace goes to `trace`, the lines DIAGnostic:TRACe? answers with.
  KitInstrument(hidlink::Link& link, hidlink::KeptTrace& trace);

  // Runs one program message for `session`: every unit in turn, up to the
  // first command error. The queries' answers joined by ';', without the
  // line's end; empty when the message asked nothing.
  std::string Execute(Session& session, std::string_view message);

  hidlink::Link& Link() { return link_; }
  const hidlink::KeptTrace& Trace() const { return trace_; }
  // The level last sent through this instrument, none before the first.
  std::optional<int> LastLevel() const { return lastLevel_; }
  void SetLastLevel(int level) { lastLevel_ = level; }

 private:
  static std::string JoinAnswers(const std::vector<std::string>& answers);

  hidlink::Link& link_;
  hidlink::KeptTrace& trace_;
  std::optional<int> lastLevel_;
};

}  // namespace ql::instrument
