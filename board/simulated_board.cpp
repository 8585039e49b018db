#include "board/simulated_board.h"

#include <algorithm>

#include "board/report_layout.h"
#include "hidlink/emulated_platform.h"

namespace ql::board {

namespace {

hidlink::sim::BoardModel ModelOf(std::shared_ptr<Firmware> firmware) {
  hidlink::sim::BoardModel board;
  board.identity.vendor = BoardVendorID;
  board.identity.product = BoardProductID;
  board.identity.version = kBoardVersion;
  board.identity.productName = "QL8810 interface board (simulated)";
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
  return board;
}

}  // namespace

SimulatedPc MakeSimulatedPc(hidlink::sim::Scenario scenario) {
  SimulatedPc result;
  std::vector<hidlink::sim::BoardModel> boards;
  // A scenario without a board still has the first one's firmware to show.
  const std::size_t count = std::max<std::size_t>(1, hidlink::sim::BoardsIn(scenario));
  for (std::size_t i = 0; i < count; ++i) {
    auto firmware = std::make_shared<Firmware>();
    result.firmwares.push_back(firmware);
    boards.push_back(ModelOf(std::move(firmware)));
  }
  result.firmware = result.firmwares.front();
  auto pc = std::make_unique<hidlink::sim::SimPc>(scenario, std::move(boards));
  result.pc = pc.get();
  result.platform = std::make_unique<hidlink::EmulatedPlatform>(std::move(pc));
  return result;
}

}  // namespace ql::board
