#include "board/firmware.h"

#include <algorithm>

#include "board/report_layout.h"

namespace ql::board {
namespace {

int UnreversedLevel(std::uint8_t value) {
  int level = 0;
  for (int i = 0; i < 5; ++i)
    if (value & (1u << i)) level |= 1 << (4 - i);
  return level;
}

}  // namespace

std::optional<BoardReport> Firmware::Accept(std::span<const std::uint8_t> report) {
  lastTaken_ = report.size() == kAllReportLen && report[0] == kOutReportID;
  if (!lastTaken_) return std::nullopt;
  BoardReport taken{};
  std::copy(report.begin(), report.end(), taken.begin());
  ++received_;
  last_ = taken;
  if (taken[1] == RptDimmingLevel) level_ = UnreversedLevel(taken[2]);
  if (!answers_) return std::nullopt;
  taken[0] = static_cast<std::uint8_t>(kInReportID);
  return taken;
}

}  // namespace ql::board
