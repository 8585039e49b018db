// The interface board's firmware, as the simulated platform plays it.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <vector>

namespace ql::hidlink::sim {

class SimBoard {
 public:
  static constexpr std::size_t kReportLength = 8;
  static constexpr std::uint8_t kOutputReportID = 1;
  static constexpr std::uint8_t kInputReportID = 3;

  explicit SimBoard(bool answers) : answers_(answers) {}

  // Takes one output report; false (nothing kept) unless its ID is 1 and its
  // length the board's. Each accepted report is answered with one input report
  // (3 and the seven bytes after the received ID), unless the board is mute.
  bool Accept(std::span<const std::uint8_t> report);

  // The oldest input report not yet read, if any.
  std::optional<std::vector<std::uint8_t>> TakeInputReport();
  bool HasInputReport() const { return !inputReports_.empty(); }
  void QueueInputReport(std::vector<std::uint8_t> report);
  // A replugged board starts with an empty queue.
  void ClearInputReports() { inputReports_.clear(); }

  const std::vector<std::vector<std::uint8_t>>& ReceivedReports() const { return received_; }
  // The chip's level: the reversed bits of the last dimming report, turned
  // back; nullopt before the first one.
  std::optional<int> DimmingLevel() const { return level_; }

 private:
  bool answers_;
  std::vector<std::vector<std::uint8_t>> received_;
  std::deque<std::vector<std::uint8_t>> inputReports_;
  std::optional<int> level_;
};

}  // namespace ql::hidlink::sim
