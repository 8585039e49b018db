// The link's platform on Windows: SetupAPI, hid.dll and kernel32, one call for
// one seam call. Handles are the Windows HANDLE and HDEVINFO values
// themselves.
//
// A write is bounded: a board whose OUT endpoint stops taking reports (hung
// firmware, a stalled endpoint) would otherwise block WriteFile for good and
// freeze the window that sent it. After kWriteTimeoutMs the write is
// cancelled and fails with ERROR_TIMEOUT.
//
// What Windows would trust blindly is checked here first, so that a bad value
// fails with an error code instead of touching freed memory: device
// information sets, the members enumerated from them and preparsed data are
// only passed on while this platform knows them to be alive, and 0 or the
// invalid value never reach the system as a handle.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include "hidlink/platform.h"

namespace ql::hidlink::win32 {

// How long a write may take before it counts as failed. A HID output report
// is one interrupt transfer, taken within a few frames by any board alive.
inline constexpr std::uint32_t kWriteTimeoutMs = 1000;

class Win32Platform final : public Platform {
 public:
  Win32Platform();
  Win32Platform(const Win32Platform&) = delete;
  Win32Platform& operator=(const Win32Platform&) = delete;
  // Cancels and waits out every read still pending, then frees what the
  // system handed out and the link left behind.
  ~Win32Platform() override;

  Guid GetHidGuid() override;
  Handle GetClassDevs(const Guid& classGuid) override;
  bool EnumDeviceInterfaces(Handle set, const Guid& classGuid, std::uint32_t index,
                            InterfaceData& data) override;
  bool GetDeviceInterfaceDetail(Handle set, const InterfaceData& data,
                                std::span<std::uint8_t> buffer,
                                std::uint32_t& requiredSize) override;
  std::uint32_t DetailDataFixedSize() const override;
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
  // The system's record of one read request; it must stay where it is until
  // the request can no longer complete.
  struct Request;
  // One write with its own copy of the report: one the board did not take in
  // time is kept until it ends, since the system may still hold it after
  // CancelIo.
  struct WriteRequest;

  bool Fail(std::uint32_t code) {
    lastError_ = code;
    return false;
  }
  // Waits until the request on `device`, if still pending, has ended; the
  // caller has cancelled it or knows it to be complete.
  void AwaitRequest(Handle device);
  bool KnownMember(Handle set, std::uintptr_t reserved) const;
  // Frees the abandoned writes that have ended.
  void ReapWriteRequests();

  std::uint32_t lastError_ = 0;
  // Open device information sets, each with the members enumerated from it.
  std::map<Handle, std::set<std::uintptr_t>> sets_;
  std::set<std::intptr_t> preparsed_;
  // The latest read request of each device handle.
  std::map<Handle, std::unique_ptr<Request>> requests_;
  std::vector<std::unique_ptr<WriteRequest>> abandonedWrites_;
  // The message-only window that device notifications come to, once asked.
  struct DeviceWatch;
  std::unique_ptr<DeviceWatch> watch_;
};

}  // namespace ql::hidlink::win32
