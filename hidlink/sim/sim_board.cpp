#include "hidlink/sim/sim_board.h"

namespace ql::hidlink::sim {
namespace {

constexpr std::uint8_t kDimmingCommand = 1;

int ReverseFiveBits(std::uint8_t value) {
  int level = 0;
  for (int i = 0; i < 5; ++i)
    if (value & (1u << i)) level |= 1 << (4 - i);
  return level;
}

}  // namespace

bool SimBoard::Accept(std::span<const std::uint8_t> report) {
  if (report.size() != kReportLength || report[0] != kOutputReportID) return false;
  received_.emplace_back(report.begin(), report.end());
  if (report[1] == kDimmingCommand) level_ = ReverseFiveBits(report[2]);
  if (answers_) {
    std::vector<std::uint8_t> answer(report.begin(), report.end());
    answer[0] = kInputReportID;
    inputReports_.push_back(std::move(answer));
  }
  return true;
}

std::optional<std::vector<std::uint8_t>> SimBoard::TakeInputReport() {
  if (inputReports_.empty()) return std::nullopt;
  auto report = std::move(inputReports_.front());
  inputReports_.pop_front();
  return report;
}

void SimBoard::QueueInputReport(std::vector<std::uint8_t> report) {
  inputReports_.push_back(std::move(report));
}

}  // namespace ql::hidlink::sim
