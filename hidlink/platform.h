// The operating-system calls the HID link makes, and nothing else.
//
// The link's logic and its diagnostic trace are written once, above this
// interface. The shape follows the Windows device-setup, HID class and kernel
// services one call for one call, because the trace names those calls and
// shows the system text of the error code each one leaves behind. Win32
// implements it directly; every other machine gets it from
// EmulatedPlatform, which makes the Windows objects once over the small
// device interface of device.h.
//
// Rules every implementation keeps:
//  - After every call it records the platform's own failure code of that call
//    (`LastError()` returns it until the next call). A call that succeeds may
//    record 0 or leave the older code, as the platform itself does.
//  - Handle values are tokens the platform hands out. 0 and kInvalidHandle
//    never name an open object; any call made with them, or with a handle
//    already closed, fails cleanly with the platform's invalid-handle code.
//  - A pending read writes into the caller's buffer only until the wait that
//    completes it returns, or until CancelIo/CloseHandle on its handle
//    returns. After that the buffer is never touched again.
//  - No call throws.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace ql::hidlink {

// A platform handle (device, event, device-information set). Shown in the
// trace as 32-bit hex, so kInvalidHandle reads FFFFFFFF.
using Handle = std::intptr_t;
inline constexpr Handle kNoHandle = 0;
inline constexpr Handle kInvalidHandle = -1;

inline bool IsOpenHandle(Handle h) {
  return h != kNoHandle && h != kInvalidHandle;
}

struct Guid {
  std::uint32_t Data1 = 0;
  std::uint16_t Data2 = 0;
  std::uint16_t Data3 = 0;
  std::uint8_t Data4[8] = {};
};

// SP_DEVICE_INTERFACE_DATA. Reserved is the platform's: it says which member
// of the set the record stands for.
struct InterfaceData {
  std::uint32_t cbSize = 0;
  Guid InterfaceClassGuid;
  std::uint32_t Flags = 0;
  std::uintptr_t Reserved = 0;
};

// HIDD_ATTRIBUTES.
struct Attributes {
  std::uint32_t Size = 0;
  std::uint16_t VendorID = 0;
  std::uint16_t ProductID = 0;
  std::uint16_t VersionNumber = 0;
};

// HIDP_CAPS, less its 17 reserved words.
struct Caps {
  std::uint16_t Usage = 0;
  std::uint16_t UsagePage = 0;
  std::uint16_t InputReportByteLength = 0;
  std::uint16_t OutputReportByteLength = 0;
  std::uint16_t FeatureReportByteLength = 0;
  std::uint16_t NumberLinkCollectionNodes = 0;
  std::uint16_t NumberInputButtonCaps = 0;
  std::uint16_t NumberInputValueCaps = 0;
  std::uint16_t NumberInputDataIndices = 0;
  std::uint16_t NumberOutputButtonCaps = 0;
  std::uint16_t NumberOutputValueCaps = 0;
  std::uint16_t NumberOutputDataIndices = 0;
  std::uint16_t NumberFeatureButtonCaps = 0;
  std::uint16_t NumberFeatureValueCaps = 0;
  std::uint16_t NumberFeatureDataIndices = 0;
};

// The read request's record. Offset, OffsetHigh and hEvent are the link's;
// whatever else an overlapped request needs is the platform's own business.
struct Overlapped {
  std::uint32_t Offset = 0;
  std::uint32_t OffsetHigh = 0;
  Handle hEvent = kNoHandle;
};

// The most value capabilities the link asks for at once: what fits the
// 1 KiB it has always offered for them.
inline constexpr std::uint16_t kMaxValueCapsRequest = 14;

// How a device path is opened: for blocking writes, for overlapped reads, or
// only to ask its attributes (no read or write access, which even devices a
// system keeps to itself, such as keyboards, allow).
enum class OpenMode { kWrite, kOverlappedRead, kQueryOnly };

// The strings of a device that HidD_Get…String asks for.
enum class DeviceString { kManufacturer, kProduct, kSerialNumber };

// Wait outcomes, as WaitForSingleObject gives them.
inline constexpr std::uint32_t kWaitObject0 = 0;
inline constexpr std::uint32_t kWaitTimeout = 258;
inline constexpr std::uint32_t kWaitFailed = 0xFFFFFFFF;

class Platform {
 public:
  virtual ~Platform() = default;

  // HidD_GetHidGuid.
  virtual Guid GetHidGuid() = 0;
  // SetupDiGetClassDevsA(class, no enumerator, no window, DIGCF_PRESENT |
  // DIGCF_DEVICEINTERFACE): a snapshot of the present interfaces.
  virtual Handle GetClassDevs(const Guid& classGuid) = 0;
  // SetupDiEnumDeviceInterfaces: true while a member exists at `index`.
  virtual bool EnumDeviceInterfaces(Handle set, const Guid& classGuid, std::uint32_t index,
                                    InterfaceData& data) = 0;
  // SetupDiGetDeviceInterfaceDetailA. With an empty `buffer` it only stores the
  // required size (and fails with the insufficient-buffer code). Otherwise
  // `buffer` starts with the detail record's size field, which must be
  // DetailDataFixedSize(); the path is written, zero-terminated, at offset 4.
  virtual bool GetDeviceInterfaceDetail(Handle set, const InterfaceData& data,
                                        std::span<std::uint8_t> buffer,
                                        std::uint32_t& requiredSize) = 0;
  // The fixed part of this platform's detail record (5 for the 32-bit ANSI
  // layout, 8 for the 64-bit one).
  virtual std::uint32_t DetailDataFixedSize() const = 0;
  // SetupDiDestroyDeviceInfoList.
  virtual bool DestroyDeviceInfoList(Handle set) = 0;

  // CreateFileA, shared read and write, open existing. kInvalidHandle on
  // failure. (Method names steer clear of the Windows A/W macros.)
  virtual Handle OpenDevice(const std::string& path, OpenMode mode) = 0;
  // HidD_GetAttributes. Leaves `attributes` untouched on failure.
  virtual bool GetAttributes(Handle device, Attributes& attributes) = 0;

  // HidD_GetManufacturerString / HidD_GetProductString /
  // HidD_GetSerialNumberString, as UTF-8. Fails when the device has none.
  virtual bool GetDeviceString(Handle device, DeviceString which, std::string& text) = 0;
  // Where the device of a set's member is plugged in: its first location
  // path (SPDRP_LOCATION_PATHS of the device or of the nearest parent that
  // has one), or the port path of a machine without them ("1-2.3"). Fails
  // when the system knows none.
  virtual bool GetDeviceLocation(Handle set, const InterfaceData& data, std::string& location) = 0;

  // HidD_GetPreparsedData / HidP_GetCaps / HidP_GetValueCaps (input reports) /
  // HidD_FreePreparsedData. A preparsed value of 0 fails cleanly. GetCaps
  // leaves `caps` untouched on failure. GetInputValueCaps asks for at most
  // `count` entries (the link never asks for more than
  // kMaxValueCapsRequest), keeps them to itself and writes back the number
  // it got.
  virtual bool GetPreparsedData(Handle device, std::intptr_t& preparsed) = 0;
  virtual bool GetCaps(std::intptr_t preparsed, Caps& caps) = 0;
  virtual bool GetInputValueCaps(std::intptr_t preparsed, std::uint16_t& count) = 0;
  virtual bool FreePreparsedData(std::intptr_t preparsed) = 0;

  // CreateEventA(inheritable, manual reset, initially signalled, no name).
  virtual Handle CreateReadEvent() = 0;
  // WriteFile: returns once the report is taken or the write has failed (a
  // board that takes nothing fails it within a bounded time, see Win32's
  // kWriteTimeoutMs). `report` starts with the report ID byte.
  virtual bool WriteFile(Handle device, std::span<const std::uint8_t> report,
                         std::uint32_t& bytesWritten) = 0;
  // ReadFile on a handle opened for overlapped reads. Completes at once (true,
  // `bytesRead` set) when a report is waiting; otherwise leaves the request
  // pending (false, with the platform's "in progress" code) and the report
  // lands in `buffer` when a wait on overlapped.hEvent returns kWaitObject0.
  // The event is non-signalled while the request is pending.
  virtual bool ReadFile(Handle device, std::span<std::uint8_t> buffer, std::uint32_t& bytesRead,
                        Overlapped& overlapped) = 0;
  // GetOverlappedResult without waiting: the length a completed request
  // delivered.
  virtual bool GetOverlappedResult(Handle device, Overlapped& overlapped,
                                   std::uint32_t& bytesTransferred) = 0;
  // WaitForSingleObject on an event: kWaitObject0, kWaitTimeout or another code
  // on failure.
  virtual std::uint32_t WaitForSingleObject(Handle event, std::uint32_t milliseconds) = 0;
  // CancelIo: drops the request pending on the handle; returns only once the
  // request can no longer write into its buffer.
  virtual bool CancelIo(Handle device) = 0;
  virtual bool ResetEvent(Handle event) = 0;
  // HidD_FlushQueue: drops the input reports the system holds for the device.
  virtual bool FlushQueue(Handle device) = 0;
  // CloseHandle, for device and event handles alike. A read
  // pending on a closed device handle is dropped as by CancelIo.
  virtual bool CloseHandle(Handle handle) = 0;

  // Waits at most `milliseconds` (0xFFFFFFFF: without end) for a HID
  // interface to arrive or go: on Windows the WM_DEVICECHANGE that
  // RegisterDeviceNotification asks for. True when one may have. Watching
  // starts with the first call: a caller enumerates after it and misses
  // nothing. Nothing runs while nothing happens.
  virtual bool WaitForDeviceChange(std::uint32_t milliseconds) = 0;

  // The failure code recorded right after the most recent call above.
  virtual std::uint32_t LastError() const = 0;
  // FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS):
  // the system text of `code`, ended by carriage return and line feed as the
  // system gives it, zero-terminated in `buffer`. Returns the characters
  // stored without the terminating zero, or 0 when there is no text or it does
  // not fit. Does not change LastError().
  virtual std::uint32_t FormatSystemMessage(std::uint32_t code, std::span<char> buffer) const = 0;
};

// The platform of the machine the program was built for: Win32, or Linux
// hidraw, or where neither is built in, a simulated machine without any HID
// interface.
std::unique_ptr<Platform> MakeSystemPlatform();

}  // namespace ql::hidlink
