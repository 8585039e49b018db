// A link on the simulated board, with the messages the operator would see.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "board/operator_messages.h"
#include "hidlink/link.h"
#include "hidlink/sim/sim_platform.h"

namespace ql::testing {

class RecordedMessages final : public board::OperatorMessages {
 public:
  void ShowMessage(std::string_view text) override { shown.emplace_back(text); }
  std::vector<std::string> shown;
};

struct SimLink {
  explicit SimLink(hidlink::sim::Scenario scenario = hidlink::sim::Scenario::kBoard)
      : sim(new hidlink::sim::SimPlatform(scenario)),
        link(std::unique_ptr<hidlink::Platform>(sim)) {
    link.LoadReportConstants();
  }
  // Lines appended since `mark`.
  std::vector<std::string> LinesSince(std::size_t mark) const {
    return link.List().LinesFrom(mark);
  }
  std::size_t Mark() const { return link.List().size(); }
  const std::vector<std::vector<std::uint8_t>>& Received() const {
    return sim->Board().ReceivedReports();
  }

  hidlink::sim::SimPlatform* sim;  // owned by link
  hidlink::Link link;
  RecordedMessages messages;
};

// How many times `line` occurs in `lines`.
inline std::size_t CountOf(const std::vector<std::string>& lines, const std::string& line) {
  std::size_t n = 0;
  for (const auto& l : lines) n += (l == line);
  return n;
}

}  // namespace ql::testing
