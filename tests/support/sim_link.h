// A link on the simulated PC with the board plugged in, and the messages the
// operator would see.
#pragma once

#include <string>
#include <vector>

#include "board/board_identity.h"
#include "board/operator_messages.h"
#include "board/simulated_board.h"
#include "hidlink/diagnostic_list.h"
#include "hidlink/link.h"

namespace ql::testing {

class RecordedMessages final : public board::OperatorMessages {
 public:
  void ShowMessage(std::string_view text) override { shown.emplace_back(text); }
  std::vector<std::string> shown;
};

// The programs load the report constants themselves; a bare link has them
// loaded here. The link traces into the whole list, as the windows keep it.
struct SimLink {
  explicit SimLink(hidlink::sim::Scenario scenario = hidlink::sim::Scenario::kBoard,
                   const hidlink::BoardIdentity& board = board::kBoardIdentity,
                   bool loadConstants = true)
      : sim(board::MakeSimulatedPc(scenario)),
        pc(*sim.pc),
        firmware(*sim.firmware),
        link(std::move(sim.platform), board) {
    link.SetTrace(&list);
    if (loadConstants) link.LoadReportConstants();
  }
  // Lines appended since `mark`.
  std::vector<std::string> LinesSince(std::size_t mark) const { return list.LinesFrom(mark); }
  std::size_t Mark() const { return list.size(); }
  std::vector<std::uint8_t> LastReceived() const {
    const auto& last = firmware.LastReceived();
    return last ? std::vector<std::uint8_t>(last->begin(), last->end())
                : std::vector<std::uint8_t>{};
  }

  board::SimulatedPc sim;
  hidlink::sim::SimPc& pc;
  const board::Firmware& firmware;
  hidlink::DiagnosticList list;
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
