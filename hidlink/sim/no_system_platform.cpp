// Builds without a real HID platform run on a simulated machine with no HID
// device: every search ends in "Device not found".
#include <memory>

#include "hidlink/emulated_platform.h"
#include "hidlink/sim/sim_pc.h"

namespace ql::hidlink {

std::unique_ptr<Platform> MakeSystemPlatform() {
  return std::make_unique<EmulatedPlatform>(
      std::make_unique<sim::SimPc>(sim::Scenario::kNone, std::vector<sim::BoardModel>{}));
}

}  // namespace ql::hidlink
