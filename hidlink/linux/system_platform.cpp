// On Linux the link talks to the kernel's hidraw nodes.
#include <memory>

#include "hidlink/emulated_platform.h"
#include "hidlink/linux/hidraw_devices.h"

namespace ql::hidlink {

std::unique_ptr<Platform> MakeSystemPlatform() {
  return std::make_unique<EmulatedPlatform>(std::make_unique<hidraw::HidrawDevices>());
}

}  // namespace ql::hidlink
