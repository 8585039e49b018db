// Every HID interface present, for a look at what the machine offers. Quiet:
// nothing goes into the diagnostic list.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "hidlink/platform.h"

namespace ql::hidlink {

struct InterfaceEntry {
  std::uint32_t index = 0;
  std::string path;
  // Empty when the interface could not be asked (no path, no access).
  std::optional<Attributes> attributes;
  // Empty where the device or the system gives none.
  std::string manufacturer;
  std::string product;
  std::string serial;
  std::string port;
  bool Is(std::uint16_t vendor, std::uint16_t product) const;
};

std::vector<InterfaceEntry> ListInterfaces(Platform& platform);

}  // namespace ql::hidlink
