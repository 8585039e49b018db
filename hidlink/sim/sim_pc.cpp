#include "hidlink/sim/sim_pc.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

namespace ql::hidlink::sim {
namespace {

// Every device path of the PC ends in its HID interface class.
constexpr std::string_view kPathTail = "#{4d1e55b2-f16f-11cf-88cb-001111000030}";

std::string PathOf(std::string_view instance) {
  return std::string(R"(\\?\hid#)") + std::string(instance) + std::string(kPathTail);
}

// Where the PC's devices are plugged in, as the machine's location paths.
std::string PortOf(int usbPort) {
  return "PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(" + std::to_string(usbPort) + ")";
}

// The instance part of each board's path: the first board's is the one the
// traces of a single board have always shown.
constexpr std::array<std::string_view, 2> kBoardInstances = {"7&3a4b5c6d&0&0000",
                                                             "7&1e2f3a4b&0&0000"};

std::string BoardPath(const DeviceInfo& board, std::size_t index) {
  char ids[32];
  std::snprintf(ids, sizeof ids, "vid_%04x&pid_%04x#", board.vendor, board.product);
  return PathOf(std::string(ids) + std::string(kBoardInstances[index]));
}

}  // namespace

std::optional<Scenario> ParseScenario(std::string_view name) {
  for (Scenario s : {Scenario::kBoard, Scenario::kAbsent, Scenario::kNone, Scenario::kMute,
                     Scenario::kReplug, Scenario::kTwo, Scenario::kTwoNoSerial})
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
    case Scenario::kTwo:
      return "two";
    case Scenario::kTwoNoSerial:
      return "two-no-serial";
  }
  return "board";
}

std::size_t BoardsIn(Scenario scenario) {
  switch (scenario) {
    case Scenario::kAbsent:
    case Scenario::kNone:
      return 0;
    case Scenario::kTwo:
    case Scenario::kTwoNoSerial:
      return 2;
    default:
      return 1;
  }
}

// One open device of the PC. The board's devices die with an unplug: a
// replugged board is a new device that needs opening again.
class SimPc::Device final : public HidDevice {
 public:
  Device(SimPc& pc, std::size_t slot)
      : pc_(pc), slot_(slot), generation_(board() ? board()->generation : 0) {
    ++pc_.openDevices_;
  }
  ~Device() override { --pc_.openDevices_; }

  DeviceResult Write(std::span<const std::uint8_t> report) override {
    if (!Alive()) return {0, error::kDeviceNotConnected};
    if (!board()) return {0, error::kInvalidParameter};
    return pc_.BoardWrite(*board(), report);
  }

  DeviceResult Read(std::span<std::uint8_t> buffer) override {
    if (!Alive()) return {0, error::kDeviceNotConnected};
    Board* b = board();
    if (!b || b->queueCount == 0) return {};
    const InputReport& next = b->ring[b->queueFirst];
    const std::size_t n = std::min(next.size, buffer.size());
    std::copy_n(next.bytes.begin(), n, buffer.begin());
    b->queueFirst = (b->queueFirst + 1) % kInputQueueLength;
    --b->queueCount;
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
    Board* b = board();
    if (b && pc_.lateReport_) {
      InputReport late;
      late.size = std::min(pc_.lateReport_->size(), late.bytes.size());
      std::copy_n(pc_.lateReport_->begin(), late.size, late.bytes.begin());
      pc_.lateReport_.reset();
      b->Queue(late);
    }
    if (b && b->queueCount > 0) return WaitResult::kReadable;
    if (pc_.realTimeWaits_) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    return WaitResult::kTimedOut;
  }

  void Flush() override {
    if (Alive() && board()) board()->queueCount = 0;
  }

 private:
  Board* board() const {
    const auto& index = pc_.slots_[slot_].board;
    return index ? &pc_.boards_[*index] : nullptr;
  }
  // A board's devices die with an unplug: a replugged board is a new device
  // that needs opening again.
  bool Alive() const {
    const Board* b = board();
    return !b || (b->plugged && b->generation == generation_);
  }

  SimPc& pc_;
  std::size_t slot_;
  unsigned generation_;
};

SimPc::SimPc(Scenario scenario, std::vector<BoardModel> boards) : scenario_(scenario) {
  if (scenario == Scenario::kNone) return;
  const auto device = [](std::string_view instance, std::uint16_t product, std::uint16_t version,
                         std::string name, int usbPort) {
    DeviceInfo info;
    info.path = PathOf(instance);
    info.vendor = 0x046D;
    info.product = product;
    info.version = version;
    info.manufacturer = "Logitech";
    info.productName = std::move(name);
    info.port = PortOf(usbPort);
    return info;
  };
  slots_.push_back(
      {device("vid_046d&pid_c31c&mi_00#7&2b8e1f3a&0&0000", 0xC31C, 0x4920, "USB Keyboard", 1), true,
       std::nullopt});
  slots_.push_back(
      {device("vid_046d&pid_c077#7&1c2d3e4f&0&0000", 0xC077, 0x7200, "USB Optical Mouse", 2), false,
       std::nullopt});

  const std::size_t count = std::min(BoardsIn(scenario), boards.size());
  for (std::size_t i = 0; i < count; ++i) {
    Slot slot{boards[i].identity, false, i};
    slot.info.path = BoardPath(slot.info, i);
    slot.info.port = PortOf(3 + static_cast<int>(i));
    slot.info.serial = scenario == Scenario::kTwoNoSerial ? "" : "QL000" + std::to_string(i + 1);
    slots_.push_back(std::move(slot));
    boards_.push_back({std::move(boards[i])});
  }
}

SimPc::~SimPc() = default;

void SimPc::Unplug(std::size_t board) {
  if (board < boards_.size()) boards_[board].plugged = false;
}

void SimPc::Replug(std::size_t board) {
  if (board >= boards_.size() || boards_[board].plugged) return;
  Board& b = boards_[board];
  b.plugged = true;
  ++b.generation;
  // A board plugged in again starts with nothing to say.
  b.queueCount = 0;
}

bool SimPc::IsPlugged(std::size_t board) const {
  return board < boards_.size() && boards_[board].plugged;
}

std::size_t SimPc::QueuedInputReports(std::size_t board) const {
  return board < boards_.size() ? boards_[board].queueCount : 0;
}

void SimPc::Board::Queue(const InputReport& report) {
  if (queueCount == kInputQueueLength) {
    queueFirst = (queueFirst + 1) % kInputQueueLength;
    --queueCount;
  }
  ring[(queueFirst + queueCount) % kInputQueueLength] = report;
  ++queueCount;
}

DeviceResult SimPc::BoardWrite(Board& board, std::span<const std::uint8_t> report) {
  if (failNextWrite_) {
    failNextWrite_ = false;
    return {0, error::kGenFailure};
  }
  InputReport answer;
  if (!board.model.firmware || !board.model.firmware(report, answer))
    return {0, error::kInvalidParameter};
  if (answer.size > 0 && scenario_ != Scenario::kMute) board.Queue(answer);
  if (scenario_ == Scenario::kReplug && ++board.taken % 2 == 0) {
    board.plugged = false;
    Replug(static_cast<std::size_t>(&board - boards_.data()));
  }
  return {report.size(), 0};
}

bool SimPc::WaitForChange(std::uint32_t milliseconds) {
  if (milliseconds == 0) return false;
  if (scenario_ == Scenario::kReplug && !boards_.empty()) {
    if (boards_[0].plugged) {
      Unplug(0);
    } else {
      Replug(0);
    }
    return true;
  }
  constexpr std::uint32_t kInfinite = 0xFFFFFFFF;
  do {
    std::this_thread::sleep_for(std::chrono::milliseconds(std::min(milliseconds, 3600000u)));
  } while (milliseconds == kInfinite);
  return false;
}

std::vector<DeviceInfo> SimPc::Enumerate() {
  std::vector<DeviceInfo> present;
  for (const Slot& slot : slots_)
    if (Present(slot)) present.push_back(slot.info);
  return present;
}

OpenResult SimPc::Open(const std::string& path, Access access) {
  for (std::size_t i = 0; i < slots_.size(); ++i) {
    const Slot& slot = slots_[i];
    if (slot.info.path != path || !Present(slot)) continue;
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
