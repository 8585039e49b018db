// The interface-detail buffer that carries a device path: the record's size
// field, then the zero-terminated path at offset 4.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ql::hidlink {

// Whether a required size from the first detail query can hold a path.
bool UsableDetailSize(std::uint32_t requiredSize, std::uint32_t fixedSize);
// requiredSize + 1 zero bytes (so a path always ends within the buffer), the
// size field set to `fixedSize`.
std::vector<std::uint8_t> NewDetailBuffer(std::uint32_t requiredSize, std::uint32_t fixedSize);
std::string PathInDetail(const std::vector<std::uint8_t>& detail);

}  // namespace ql::hidlink
