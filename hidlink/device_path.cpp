#include "hidlink/device_path.h"

#include <algorithm>

namespace ql::hidlink {
namespace {

// A detail query asking for more than this has no sane device path.
constexpr std::uint32_t kMaxDetailSize = 64 * 1024;
constexpr std::size_t kPathOffset = 4;

}  // namespace

bool UsableDetailSize(std::uint32_t requiredSize, std::uint32_t fixedSize) {
  return requiredSize > kPathOffset && requiredSize >= fixedSize && requiredSize <= kMaxDetailSize;
}

std::vector<std::uint8_t> NewDetailBuffer(std::uint32_t requiredSize, std::uint32_t fixedSize) {
  std::vector<std::uint8_t> detail(std::size_t{requiredSize} + 1, 0);
  for (std::size_t i = 0; i < 4 && i < detail.size(); ++i)
    detail[i] = static_cast<std::uint8_t>(fixedSize >> (8 * i));
  return detail;
}

std::string PathInDetail(const std::vector<std::uint8_t>& detail) {
  if (detail.size() <= kPathOffset) return {};
  const auto begin = detail.begin() + kPathOffset;
  return std::string(begin, std::find(begin, detail.end(), std::uint8_t{0}));
}

}  // namespace ql::hidlink
