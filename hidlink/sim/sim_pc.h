// A simulated PC with HID devices, for trying the program and testing the
// link without a board: a keyboard, a mouse and slots for boards, whose
// firmware the caller supplies. Its error codes and texts are its own, worded
// as the English texts of the machine the program was first made for, so a
// trace on it reads like one taken there. Time is simulated: a wait with
// nothing to wait for times out at once.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "hidlink/device.h"

namespace ql::hidlink::sim {

enum class Scenario {
  kBoard,        // a keyboard, a mouse, then the board as the third device
  kAbsent,       // the keyboard and the mouse only
  kNone,         // no HID device at all
  kMute,         // as kBoard, but the board never sends an input report
  kReplug,       // as kBoard, but the board is unplugged and plugged in again
                 // after every second report it takes
  kTwo,          // a keyboard, a mouse, the board QL0001, then the board QL0002
  kTwoNoSerial,  // as kTwo, but neither board has a serial number
};

std::optional<Scenario> ParseScenario(std::string_view name);
std::string_view ScenarioName(Scenario scenario);
inline constexpr std::string_view kScenarioNames =
    "board, absent, none, mute, replug, two, two-no-serial";
// How many boards a scenario plugs in.
std::size_t BoardsIn(Scenario scenario);

// The simulated PC's error codes.
namespace error {
inline constexpr DeviceError kFileNotFound = 2;
inline constexpr DeviceError kAccessDenied = 5;
inline constexpr DeviceError kInvalidHandle = 6;
inline constexpr DeviceError kGenFailure = 31;
inline constexpr DeviceError kInvalidParameter = 87;
inline constexpr DeviceError kInsufficientBuffer = 122;
inline constexpr DeviceError kNoMoreItems = 259;
inline constexpr DeviceError kIoPending = 997;
inline constexpr DeviceError kDeviceNotConnected = 1167;
inline constexpr DeviceError kInvalidUserBuffer = 1784;
}  // namespace error

// An input report as a device sends it.
struct InputReport {
  std::array<std::uint8_t, 64> bytes{};
  std::size_t size = 0;
};

// The board as the PC's maker of the board describes it: who it is and its
// firmware, which takes one output report (ID byte first) and says whether
// it took it, filling `answer` when it answers.
struct BoardModel {
  DeviceInfo identity;  // the PC gives it its path
  std::function<bool(std::span<const std::uint8_t> report, InputReport& answer)> firmware;
};

class SimPc final : public DeviceSystem {
 public:
  // The board's input queue holds this many reports, dropping the oldest, as
  // a HID class driver's input buffer does.
  static constexpr std::size_t kInputQueueLength = 32;

  // One model for each board of the scenario (BoardsIn); a board without
  // one is not plugged in.
  SimPc(Scenario scenario, std::vector<BoardModel> boards);
  ~SimPc() override;

  // --- What a person or a test does to the PC ----------------------------
  // Boards are counted from 0 in the order they are enumerated.
  // Unplugged, a board is not enumerated and cannot be opened; devices
  // opened before fail with "device not connected", also after a replug.
  void Unplug(std::size_t board = 0);
  void Replug(std::size_t board = 0);
  bool IsPlugged(std::size_t board = 0) const;
  // The next write any board is given fails, or the next wait.
  void FailNextWrite() { failNextWrite_ = true; }
  void FailNextWait() { failNextWait_ = true; }
  // An input report that the board sends while the next wait is under way.
  void ArriveDuringNextWait(std::vector<std::uint8_t> report) { lateReport_ = std::move(report); }
  // Waits that time out take their full time instead of returning at once.
  void SetRealTimeWaits(bool on) { realTimeWaits_ = on; }
  std::size_t QueuedInputReports(std::size_t board = 0) const;
  // Devices opened and not yet closed.
  int OpenDevices() const { return openDevices_; }

  // --- DeviceSystem -------------------------------------------------------
  std::vector<DeviceInfo> Enumerate() override;
  OpenResult Open(const std::string& path, Access access) override;
  std::string ErrorText(DeviceError code) const override;
  ErrorCodes Codes() const override;
  // In the replug scenario every wait longer than 0 ms sees the first board
  // go, or come back; elsewhere nothing is ever plugged or unplugged, and a
  // wait takes its full time.
  bool WaitForChange(std::uint32_t milliseconds) override;

 private:
  class Device;
  struct Board {
    BoardModel model;
    bool plugged = true;
    // Counts the replugs: a device opened before one is dead.
    unsigned generation = 0;
    std::uint64_t taken = 0;
    // A ring of kInputQueueLength reports.
    std::array<InputReport, kInputQueueLength> ring{};
    std::size_t queueFirst = 0;
    std::size_t queueCount = 0;
    void Queue(const InputReport& report);
  };
  struct Slot {
    DeviceInfo info;
    bool refusesReadWrite = false;
    std::optional<std::size_t> board;  // which board, for a board's slot
  };

  bool Present(const Slot& slot) const { return !slot.board || boards_[*slot.board].plugged; }
  DeviceResult BoardWrite(Board& board, std::span<const std::uint8_t> report);

  Scenario scenario_;
  std::vector<Board> boards_;
  std::vector<Slot> slots_;
  bool failNextWrite_ = false;
  bool failNextWait_ = false;
  bool realTimeWaits_ = false;
  std::optional<std::vector<std::uint8_t>> lateReport_;
  int openDevices_ = 0;
};

}  // namespace ql::hidlink::sim
