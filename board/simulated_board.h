// The board plugged into the simulated PC: for the demo, for `ql8810
// --simulate` and for tests.
#pragma once

#include <memory>

#include "board/firmware.h"
#include "hidlink/platform.h"
#include "hidlink/sim/sim_pc.h"

namespace ql::board {

struct SimulatedPc {
  std::unique_ptr<hidlink::Platform> platform;  // for the link, which then owns the PC
  hidlink::sim::SimPc* pc = nullptr;            // to unplug, replug, fail a call
  std::shared_ptr<const Firmware> firmware;     // what the board took, for display
};

SimulatedPc MakeSimulatedPc(hidlink::sim::Scenario scenario);

}  // namespace ql::board
