#include "hidlink/sim/sim_pc.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

namespace ql::hidlink::sim {
namespace {

// Every device path of the PC ends in its HID interface class.
constexpr std::string_view kPathTail = "#{4d1e55b2-f16f-11cf-88cb-001111000030}";

std::string PathOf(std::string_view instance) {
  return std::string(R"(\\?\hid#)") + std::string(instance) + std::string(kPathTail);
}

std::string BoardPath(const DeviceInfo& board) {
  char ids[32];
  std::snprintf(ids, sizeof ids, "vid_%04x&pid_%04x", board.vendor, board.product);
  return PathOf(std::string(ids) + "#7&3a4b5c6d&0&0000");
}

}  // namespace

std::optional<Scenario> ParseScenario(std::string_view name) {
  for (Scenario s :
       {Scenario::kBoard, Scenario::kAbsent, Scenario::kNone, Scenario::kMute, Scenario::kReplug})
    if (name == ScenarioName(s)) return s;
  return std::nullopt;
}

std::string_view ScenarioName(Scenario scenario) {
  switch (scenario) {
    case Scenario::kBoard:
      return "board";
    case Scenario::kAbsent:
      return "absent";
    case Scenario::kNone:
      return "none";
    case Scenario::kMute:
      return "mute";
    case Scenario::kReplug:
      return "replug";
  }
  return "board";
}

// One open device of the PC. The board's devices die with an unplug: a
// replugged board is a new device that needs opening again.
class SimPc::Device final : public HidDevice {
 public:
  Device(SimPc& pc, std::size_t slot) : pc_(pc), slot_(slot), generation_(pc.generation_) {
    ++pc_.openDevices_;
  }
  ~Device() override { --pc_.openDevices_; }

  DeviceResult Write(std::span<const std::uint8_t> report) override {
    if (!Alive()) return {0, error::kDeviceNotConnected};
    if (!IsBoard()) return {0, error::kInvalidParameter};
    return pc_.BoardWrite(report);
  }

  DeviceResult Read(std::span<std::uint8_t> buffer) override {
    if (!Alive()) return {0, error::kDeviceNotConnected};
    if (!IsBoard() || pc_.queueCount_ == 0) return {};
    const InputReport& next = pc_.ring_[pc_.queueFirst_];
    const std::size_t n = std::min(next.size, buffer.size());
    std::copy_n(next.bytes.begin(), n, buffer.begin());
    pc_.queueFirst_ = (pc_.queueFirst_ + 1) % kInputQueueLength;
    --pc_.queueCount_;
    return {n, 0};
  }

  WaitResult WaitReadable(std::uint32_t milliseconds, DeviceError& error) override {
    if (pc_.failNextWait_) {
      pc_.failNextWait_ = false;
      error = error::kInvalidHandle;
      return WaitResult::kFailed;
    }
    if (!Alive()) {
      error = error::kDeviceNotConnected;
      return WaitResult::kFailed;
    }
    if (IsBoard() && pc_.lateReport_) {
      InputReport late;
      late.size = std::min(pc_.lateReport_->size(), late.bytes.size());
      std::copy_n(pc_.lateReport_->begin(), late.size, late.bytes.begin());
      pc_.lateReport_.reset();
      pc_.Queue(late);
    }
    if (IsBoard() && pc_.queueCount_ > 0) return WaitResult::kReadable;
    if (pc_.realTimeWaits_) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    return WaitResult::kTimedOut;
  }

  void Flush() override {
    if (Alive() && IsBoard()) pc_.queueCount_ = 0;
  }

 private:
  bool IsBoard() const { return pc_.slots_[slot_].isBoard; }
  bool Alive() const { return pc_.Alive(pc_.slots_[slot_], generation_); }

  SimPc& pc_;
  std::size_t slot_;
  unsigned generation_;
};

SimPc::SimPc(Scenario scenario, BoardModel board) : scenario_(scenario), board_(std::move(board)) {
  if (scenario == Scenario::kNone) return;
  slots_.push_back(
      {{PathOf("vid_046d&pid_c31c&mi_00#7&2b8e1f3a&0&0000"), 0x046D, 0xC31C, 0x4920, {}},
       true,
       false});
  slots_.push_back(
      {{PathOf("vid_046d&pid_c077#7&1c2d3e4f&0&0000"), 0x046D, 0xC077, 0x7200, {}}, false, false});
  if (scenario == Scenario::kAbsent) return;
  Slot boardSlot{board_.identity, false, true};
  boardSlot.info.path = BoardPath(boardSlot.info);
  slots_.push_back(std::move(boardSlot));
}

SimPc::~SimPc() = default;

void SimPc::Unplug() {
  plugged_ = false;
}

void SimPc::Replug() {
  if (plugged_) return;
  plugged_ = true;
  ++generation_;
  // A board plugged in again starts with nothing to say.
  queueCount_ = 0;
}

void SimPc::Queue(const InputReport& report) {
  if (queueCount_ == kInputQueueLength) {
    queueFirst_ = (queueFirst_ + 1) % kInputQueueLength;
    --queueCount_;
  }
  ring_[(queueFirst_ + queueCount_) % kInputQueueLength] = report;
  ++queueCount_;
}

DeviceResult SimPc::BoardWrite(std::span<const std::uint8_t> report) {
  if (failNextWrite_) {
    failNextWrite_ = false;
    return {0, error::kGenFailure};
  }
  InputReport answer;
  if (!board_.firmware || !board_.firmware(report, answer)) return {0, error::kInvalidParameter};
  if (answer.size > 0 && scenario_ != Scenario::kMute) Queue(answer);
  if (scenario_ == Scenario::kReplug && ++taken_ % 2 == 0) {
    Unplug();
    Replug();
  }
  return {report.size(), 0};
}

std::vector<DeviceInfo> SimPc::Enumerate() {
  std::vector<DeviceInfo> present;
  for (const Slot& slot : slots_)
    if (!slot.isBoard || plugged_) present.push_back(slot.info);
  return present;
}

OpenResult SimPc::Open(const std::string& path, Access access) {
  for (std::size_t i = 0; i < slots_.size(); ++i) {
    const Slot& slot = slots_[i];
    if (slot.info.path != path || (slot.isBoard && !plugged_)) continue;
    if (slot.refusesReadWrite && access != Access::kQuery) return {nullptr, error::kAccessDenied};
    return {std::make_unique<Device>(*this, i), 0};
  }
  return {nullptr, error::kFileNotFound};
}

std::string SimPc::ErrorText(DeviceError code) const {
  switch (code) {
    case 0:
      return "The operation completed successfully.";
    case error::kFileNotFound:
      return "The system cannot find the file specified.";
    case error::kAccessDenied:
      return "Access is denied.";
    case error::kInvalidHandle:
      return "The handle is invalid.";
    case error::kGenFailure:
      return "A device attached to the system is not functioning.";
    case error::kInvalidParameter:
      return "The parameter is incorrect.";
    case error::kInsufficientBuffer:
      return "The data area passed to a system call is too small.";
    case error::kNoMoreItems:
      return "No more data is available.";
    case error::kIoPending:
      return "Overlapped I/O operation is in progress.";
    case error::kDeviceNotConnected:
      return "The device is not connected.";
    case error::kInvalidUserBuffer:
      return "The supplied user buffer is not valid for the requested operation.";
    default:
      return {};
  }
}

ErrorCodes SimPc::Codes() const {
  return {error::kInvalidHandle,      error::kInvalidParameter, error::kNoMoreItems,
          error::kInsufficientBuffer, error::kIoPending,        error::kInvalidUserBuffer};
}

}  // namespace ql::hidlink::sim
