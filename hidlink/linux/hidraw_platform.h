// The link's platform on Linux: the hidraw nodes of the kernel's HID core.
//
// Windows ideas map onto hidraw as follows:
//  - The device-information set is a snapshot of /sys/class/hidraw, in
//    numeric order; a member's path is /dev/hidrawN.
//  - Attributes come from HIDIOCGRAWINFO, the version from the USB device's
//    bcdDevice in sysfs where the bus has one.
//  - The "preparsed data" is our own parse of the report descriptor
//    (HIDIOCGRDESC).
//  - An overlapped read and its event are emulated with poll(): a request
//    that finds a report completes at once; otherwise the wait polls and then
//    reads into the buffer the request named.
//  - Reports are Windows-shaped: byte 0 is always the report ID, 0 for a
//    device without numbered reports, for which hidraw gives no ID byte.
//  - The last error is errno; the system text is strerror's.
//
// Handles are tokens of the platform's own table, never file descriptors: the
// link may close 0 or -1, which must never reach close(2).
#pragma once

#include <linux/hidraw.h>

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "hidlink/emulated_objects.h"
#include "hidlink/platform.h"

namespace ql::hidlink::hidraw {

// The calls that need a real hidraw node. Tests put sockets that keep report
// boundaries in the node's place; reads, writes and polls on the descriptor
// then behave as on the node. Each returns -1 and sets errno on failure.
class NodeCalls {
 public:
  virtual ~NodeCalls() = default;
  virtual int Open(const std::string& path, int flags);
  virtual int GetRawInfo(int fd, hidraw_devinfo& info);
  virtual int GetDescriptor(int fd, std::vector<std::uint8_t>& descriptor);
};

struct Places {
  std::filesystem::path hidrawClass = "/sys/class/hidraw";
  std::filesystem::path devices = "/dev";
};

class HidrawPlatform final : public Platform {
 public:
  explicit HidrawPlatform(Places places = {},
                          std::unique_ptr<NodeCalls> calls = std::make_unique<NodeCalls>());
  ~HidrawPlatform() override;
  HidrawPlatform(const HidrawPlatform&) = delete;
  HidrawPlatform& operator=(const HidrawPlatform&) = delete;

  Guid GetHidGuid() override;
  Handle GetClassDevs(const Guid& classGuid) override;
  bool EnumDeviceInterfaces(Handle set, const Guid& classGuid, std::uint32_t index,
                            InterfaceData& data) override;
  bool GetDeviceInterfaceDetail(Handle set, const InterfaceData& data,
                                std::span<std::uint8_t> buffer,
                                std::uint32_t& requiredSize) override;
  // Our detail record is the packed one: the size field, then the path.
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
    int fd = -1;  // -1: a query-only handle on a node we may not open
    OpenMode mode = OpenMode::kQueryOnly;
    std::string node;  // "hidrawN", for sysfs
    bool numberedReports = true;
    std::uint32_t lastTransfer = 0;
  };
  struct EventFields {
    int readError = 0;  // the device failed the last request outright
  };
  // A device-information set lists its nodes by name.
  using Objects = EmulatedObjects<std::string, DeviceObject, EventFields>;
  using Object = Objects::Object;
  using PendingRead = Objects::PendingRead;
  using EventObject = Objects::EventObject;

  bool Fail(int code);
  bool Succeed();
  // One report, Windows-shaped, into `buffer`: its length, 0 when the node
  // had none waiting, or -1 with errno set (0 read counts as a vanished node).
  long ReadReport(DeviceObject& device, std::span<std::uint8_t> buffer);
  std::uint32_t FinishWait(EventObject& event, long result);
  std::optional<std::uint16_t> VersionOf(const std::string& node) const;
  bool AttributesFromSysfs(const std::string& node, Attributes& attributes) const;

  Places places_;
  std::unique_ptr<NodeCalls> calls_;
  std::uint32_t lastError_ = 0;
  Objects objects_{0x100};
  std::map<std::intptr_t, Caps> preparsed_;
  std::intptr_t nextPreparsed_ = 0x5000;
  std::vector<std::uint8_t> scratch_;
};

}  // namespace ql::hidlink::hidraw
