// Builds without a real HID platform run on a simulated machine with no HID
// interface: every search ends in "Device not found".
#include <memory>

#include "hidlink/sim/sim_platform.h"

namespace ql::hidlink {

std::unique_ptr<Platform> MakeSystemPlatform() {
  return std::make_unique<sim::SimPlatform>(sim::Scenario::kNone);
}

}  // namespace ql::hidlink
