// The Windows objects the link works with, made once for every machine that
// has only a plain device system under it (Linux hidraw, the simulated PC):
// device-information sets, handles, events, overlapped read requests,
// preparsed data, the last error and the system texts.
//
//  - A device-information set is a snapshot of DeviceSystem::Enumerate().
//  - Capabilities come from our own parse of the device's report descriptor.
//  - An overlapped read is a request that completes at once when the device
//    has a report waiting, or else inside the wait on its event, which waits
//    for the device to become readable.
//  - Reports are shaped as Windows shapes them: byte 0 is always the report
//    ID, 0 for a device without report IDs. A write under an ID the device
//    does not declare for output, or of another length than its output
//    report, is refused as the HID class driver refuses it.
//  - Handles are tokens of this table, never the system's own.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "hidlink/device.h"
#include "hidlink/platform.h"
#include "hidlink/report_descriptor.h"

namespace ql::hidlink {

class EmulatedPlatform final : public Platform {
 public:
  explicit EmulatedPlatform(std::unique_ptr<DeviceSystem> system);
  ~EmulatedPlatform() override;
  EmulatedPlatform(const EmulatedPlatform&) = delete;
  EmulatedPlatform& operator=(const EmulatedPlatform&) = delete;

  DeviceSystem& System() { return *system_; }

  Guid GetHidGuid() override;
  Handle GetClassDevs(const Guid& classGuid) override;
  bool EnumDeviceInterfaces(Handle set, const Guid& classGuid, std::uint32_t index,
                            InterfaceData& data) override;
  bool GetDeviceInterfaceDetail(Handle set, const InterfaceData& data,
                                std::span<std::uint8_t> buffer,
                                std::uint32_t& requiredSize) override;
  // The packed 32-bit record: the size field, then the path.
  std::uint32_t DetailDataFixedSize() const override { return 5; }
  bool DestroyDeviceInfoList(Handle set) override;
  Handle OpenDevice(const std::string& path, OpenMode mode) override;
  bool GetAttributes(Handle device, Attributes& attributes) override;
  bool GetDeviceString(Handle device, DeviceString which, std::string& text) override;
  bool GetDeviceLocation(Handle set, const InterfaceData& data, std::string& location) override;
  bool GetPreparsedData(Handle device, std::intptr_t& preparsed) override;
  bool GetCaps(std::intptr_t preparsed, Caps& caps) override;
  bool GetInputValueCaps(std::intptr_t preparsed, std::uint16_t& count) override;
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
  bool FlushQueue(Handle device) override;
  bool CloseHandle(Handle handle) override;
  bool WaitForDeviceChange(std::uint32_t milliseconds) override;
  std::uint32_t LastError() const override { return lastError_; }
  std::uint32_t FormatSystemMessage(std::uint32_t code, std::span<char> buffer) const override;

 private:
  struct InfoSet {
    std::vector<DeviceInfo> members;
  };
  struct DeviceObject {
    std::unique_ptr<HidDevice> device;
    OpenMode mode;
    DescriptorSummary reports;
    Attributes attributes;
    // Manufacturer, product and serial number, as DeviceString orders them.
    std::array<std::string, 3> strings;
    std::uint32_t lastTransfer = 0;
  };
  // A read left pending writes into the caller's buffer only inside the wait
  // that completes it; cancelling or closing drops it.
  struct PendingRead {
    Handle device;
    std::span<std::uint8_t> buffer;
  };
  struct Event {
    bool signalled = true;
    std::optional<PendingRead> pending;
    DeviceError failure = 0;  // the request failed outright
  };
  using Object = std::variant<InfoSet, DeviceObject, Event>;

  template <typename T>
  T* Find(Handle handle);
  Handle NewHandle(Object object);
  bool Fail(DeviceError code) {
    lastError_ = code;
    return false;
  }
  bool Succeed() {
    lastError_ = 0;
    return true;
  }
  std::optional<DeviceInfo> Describe(const std::string& path);
  // One report from the device into `buffer`, shaped with its ID byte first.
  DeviceResult Take(DeviceObject& device, std::span<std::uint8_t> buffer);
  void DropPendingReadsOn(Handle device);

  std::unique_ptr<DeviceSystem> system_;
  ErrorCodes codes_;
  std::uint32_t lastError_ = 0;
  Handle nextHandle_ = 0x1A4;
  std::map<Handle, Object> objects_;
  // The latest snapshot, for opening a path without asking the system again.
  std::vector<DeviceInfo> known_;
  std::map<std::intptr_t, DescriptorSummary> preparsed_;
  std::intptr_t nextPreparsed_ = 0x2C5E10;
  std::vector<std::uint8_t> scratch_;
};

}  // namespace ql::hidlink
