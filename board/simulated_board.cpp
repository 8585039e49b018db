#include "board/simulated_board.h"

#include <algorithm>

#include "board/report_layout.h"
#include "hidlink/emulated_platform.h"

namespace ql::board {

SimulatedPc MakeSimulatedPc(hidlink::sim::Scenario scenario) {
  auto firmware = std::make_shared<Firmware>();
  hidlink::sim::BoardModel board;
  board.identity.vendor = BoardVendorID;
  board.identity.product = BoardProductID;
  board.identity.version = kBoardVersion;
  board.identity.descriptor.assign(kBoardReportDescriptor.begin(), kBoardReportDescriptor.end());
  board.firmware = [firmware](std::span<const std::uint8_t> report,
                              hidlink::sim::InputReport& answer) {
    const auto reply = firmware->Accept(report);
    if (reply) {
      std::copy(reply->begin(), reply->end(), answer.bytes.begin());
      answer.size = reply->size();
    }
    return firmware->LastTaken();
  };
  auto pc = std::make_unique<hidlink::sim::SimPc>(scenario, std::move(board));
  SimulatedPc result;
  result.pc = pc.get();
  result.firmware = firmware;
  result.platform = std::make_unique<hidlink::EmulatedPlatform>(std::move(pc));
  return result;
}

}  // namespace ql::board
