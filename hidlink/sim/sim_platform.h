// A simulated PC with HID interfaces, for trying the program and testing the
// link without a board. It answers as Windows does: each call records a last
// error code, and codes have the genuine English system texts, so a trace on
// it reads as one taken on a real machine. Time is simulated: a wait with
// nothing to wait for times out at once.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "hidlink/emulated_objects.h"
#include "hidlink/platform.h"
#include "hidlink/sim/sim_board.h"

namespace ql::hidlink::sim {

enum class Scenario {
  kBoard,   // a keyboard, a mouse, then the board as the third interface
  kAbsent,  // the keyboard and the mouse only
  kNone,    // no HID interface at all
  kMute,    // as kBoard, but the board never sends an input report
};

std::optional<Scenario> ParseScenario(std::string_view name);
std::string_view ScenarioName(Scenario scenario);
inline constexpr std::string_view kScenarioNames = "board, absent, none, mute";

// Windows error codes the simulation uses.
namespace error {
inline constexpr std::uint32_t kSuccess = 0;
inline constexpr std::uint32_t kFileNotFound = 2;
inline constexpr std::uint32_t kAccessDenied = 5;
inline constexpr std::uint32_t kInvalidHandle = 6;
inline constexpr std::uint32_t kGenFailure = 31;
inline constexpr std::uint32_t kInvalidParameter = 87;
inline constexpr std::uint32_t kInsufficientBuffer = 122;
inline constexpr std::uint32_t kNoMoreItems = 259;
inline constexpr std::uint32_t kIoPending = 997;
inline constexpr std::uint32_t kDeviceNotConnected = 1167;
inline constexpr std::uint32_t kInvalidUserBuffer = 1784;
}  // namespace error

// The English system text of a Windows error code, with its closing carriage
// return and line feed; empty for codes the simulation does not know.
std::string_view WindowsSystemText(std::uint32_t code);

struct SimDevice {
  std::string path;
  Attributes attributes;
  Caps caps;
  std::uint16_t inputValueCaps = 0;
  // Keyboards and the like: no read or write access for applications.
  bool refusesReadWrite = false;
  bool isBoard = false;
};

// The interface board as the simulation presents it (0483:0003, usage page
// FF00, 8-byte input and output reports).
SimDevice BoardDevice();

class SimPlatform : public Platform {
 public:
  explicit SimPlatform(Scenario scenario = Scenario::kBoard);

  // --- Test hooks -----------------------------------------------------------
  // Unplugged, the board is not enumerated and cannot be opened; writes,
  // reads and waits on handles opened before fail with "device not
  // connected". A replug brings a fresh board; old handles stay dead.
  void Unplug();
  void Replug();
  bool IsPlugged() const { return plugged_; }
  void FailNextWrite() { failNextWrite_ = true; }
  void FailNextWait() { failNextWait_ = true; }
  // An input report that the board sends while the next wait is under way.
  void ArriveDuringNextWait(std::vector<std::uint8_t> report) { lateReport_ = std::move(report); }
  // Waits that time out take their full time instead of returning at once.
  void SetRealTimeWaits(bool on) { realTimeWaits_ = on; }
  // Replaces the text of `code` (tests of the text helpers).
  void SetSystemText(std::uint32_t code, std::string text);
  // Plugs in one more interface after those of the scenario.
  void AddDevice(SimDevice device) { devices_.push_back(std::move(device)); }
  SimBoard& Board() { return board_; }
  const SimBoard& Board() const { return board_; }
  const std::vector<SimDevice>& Devices() const { return devices_; }

  // --- Platform -------------------------------------------------------------
  Guid GetHidGuid() override;
  Handle GetClassDevs(const Guid& classGuid) override;
  bool EnumDeviceInterfaces(Handle set, const Guid& classGuid, std::uint32_t index,
                            InterfaceData& data) override;
  bool GetDeviceInterfaceDetail(Handle set, const InterfaceData& data,
                                std::span<std::uint8_t> buffer,
                                std::uint32_t& requiredSize) override;
  std::uint32_t DetailDataFixedSize() const override { return 5; }
  bool DestroyDeviceInfoList(Handle set) override;
  Handle OpenDevice(const std::string& path, OpenMode mode) override;
  bool GetAttributes(Handle device, Attributes& attributes) override;
  bool GetPreparsedData(Handle device, std::intptr_t& preparsed) override;
  bool GetCaps(std::intptr_t preparsed, Caps& caps) override;
  bool GetInputValueCaps(std::intptr_t preparsed, ValueCapsScratch& scratch,
                         std::uint16_t& count) override;
  bool FreePreparsedData(std::intptr_t preparsed) override;
  Handle CreateReadEvent() override;
  bool WriteFile(Handle device, std::span<const std::uint8_t> report,
                 std::uint32_t& bytesWritten) override;
  bool ReadFile(Handle device, std::span<std::uint8_t> buffer, std::uint32_t& bytesRead,
                Overlapped& overlapped) override;
  bool GetOverlappedResult(Handle device, Overlapped& overlapped,
                           std::uint32_t& bytesTransferred) override;
  std::uint32_t WaitForSingleObject(Handle event, std::uint32_t milliseconds) override;
  bool CancelIo(Handle device) override;
  bool ResetEvent(Handle event) override;
  bool CloseHandle(Handle handle) override;
  std::uint32_t LastError() const override { return lastError_; }
  std::uint32_t FormatSystemMessage(std::uint32_t code, std::span<char> buffer) const override;

 private:
  struct DeviceObject {
    std::size_t device;   // index into devices_
    unsigned generation;  // the board's plug generation when opened
    OpenMode mode;
    std::uint32_t lastTransfer = 0;
  };
  struct EventFields {
    Handle lastReader = kNoHandle;
  };
  // A device-information set lists its devices as indices into devices_.
  using Objects = EmulatedObjects<std::size_t, DeviceObject, EventFields>;
  using Object = Objects::Object;
  using PendingRead = Objects::PendingRead;
  using EventObject = Objects::EventObject;

  bool Fail(std::uint32_t code) {
    lastError_ = code;
    return false;
  }
  bool Succeed() {
    lastError_ = error::kSuccess;
    return true;
  }
  bool DeviceAlive(const DeviceObject& d) const;
  void CompleteRead(EventObject& event, std::vector<std::uint8_t> report);

  std::vector<SimDevice> devices_;
  SimBoard board_;
  bool plugged_ = true;
  unsigned generation_ = 0;
  bool failNextWrite_ = false;
  bool failNextWait_ = false;
  bool realTimeWaits_ = false;
  std::optional<std::vector<std::uint8_t>> lateReport_;
  std::uint32_t lastError_ = 0;
  Objects objects_{0x1A4};
  std::map<std::intptr_t, std::size_t> preparsed_;
  std::intptr_t nextPreparsed_ = 0x2C5E10;
  std::map<std::uint32_t, std::string> textOverrides_;
};

}  // namespace ql::hidlink::sim
