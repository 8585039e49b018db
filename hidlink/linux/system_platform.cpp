// On Linux the link talks to the kernel's hidraw nodes.
#include <memory>

#include "hidlink/linux/hidraw_platform.h"

namespace ql::hidlink {

std::unique_ptr<Platform> MakeSystemPlatform() {
  return std::make_unique<hidraw::HidrawPlatform>();
}

}  // namespace ql::hidlink
