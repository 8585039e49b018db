// The interface board's firmware as this project plays it: the simulated PC
// of the demo and the tests, and the board emulator against a real kernel.
// It takes 8-byte reports with ID 1, keeps the chip's dimming level and
// answers each report it takes with one input report: ID 3 and the seven
// bytes that followed the output report's ID.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace ql::board {

using BoardReport = std::array<std::uint8_t, 8>;

class Firmware {
 public:
  // A mute board takes reports but never answers.
  explicit Firmware(bool answers = true) : answers_(answers) {}

  // Takes one output report, ID byte first. Nothing when the board does not
  // take it (not 8 bytes, not ID 1) or does not answer.
  std::optional<BoardReport> Accept(std::span<const std::uint8_t> report);
  // Whether the last report given to Accept was taken.
  bool LastTaken() const { return lastTaken_; }

  // What the board has taken so far: only a count and the last report, so
  // that a long session costs nothing.
  std::uint64_t ReceivedCount() const { return received_; }
  const std::optional<BoardReport>& LastReceived() const { return last_; }
  // The chip's level: the reversed bits of the last dimming report turned
  // back; nothing before the first one.
  std::optional<int> DimmingLevel() const { return level_; }

 private:
  bool answers_;
  bool lastTaken_ = false;
  std::uint64_t received_ = 0;
  std::optional<BoardReport> last_;
  std::optional<int> level_;
};

}  // namespace ql::board
