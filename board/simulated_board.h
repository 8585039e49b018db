// The board plugged into the simulated PC: for the demo, for `ql8810
// --simulate` and for tests.
#pragma once

#include <memory>
#include <vector>

#include "board/firmware.h"
#include "hidlink/platform.h"
#include "hidlink/sim/sim_pc.h"

namespace ql::board {

struct SimulatedPc {
  std::unique_ptr<hidlink::Platform> platform;  // for the link, which then owns the PC
  hidlink::sim::SimPc* pc = nullptr;            // to unplug, replug, fail a call
  // What each board took, for display; `firmware` is the first board's,
  // the one a search without a selector finds.
  std::shared_ptr<const Firmware> firmware;
  std::vector<std::shared_ptr<const Firmware>> firmwares;
};

SimulatedPc MakeSimulatedPc(hidlink::sim::Scenario scenario);

}  // namespace ql::board
