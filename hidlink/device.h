// The HID devices of a machine that has no Windows HID stack, in that
// machine's own plain terms: which devices are present, opening one, writing
// a report, reading the reports it sends, and the texts of the machine's
// error codes. Linux hidraw and the simulated PC implement this; the Windows
// objects the link's trace speaks of are made from it once, in
// emulated_platform.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace ql::hidlink {

// An error code of the device system; 0 is success.
using DeviceError = std::uint32_t;

struct DeviceInfo {
  std::string path;
  std::uint16_t vendor = 0;
  std::uint16_t product = 0;
  std::uint16_t version = 0;
  // The HID report descriptor (USB HID class definition 1.11, 6.2.2): all
  // that is known of the device's reports.
  std::vector<std::uint8_t> descriptor;
  // Who the device says it is (its USB string descriptors, or what its bus
  // gives instead) and where it is plugged in (a USB port path such as
  // "1-2.3", or the system's own location text); empty where unknown.
  std::string manufacturer;
  std::string productName;
  std::string serial;
  std::string port;
};

// What one call of a device gives back: a length or nothing, and the
// system's error code when it failed.
struct DeviceResult {
  std::size_t length = 0;
  DeviceError error = 0;
};

enum class WaitResult { kReadable, kTimedOut, kFailed };

class HidDevice {
 public:
  virtual ~HidDevice() = default;
  // One output report, byte 0 its report ID (0 for a device without report
  // IDs); `length` is what the system took.
  virtual DeviceResult Write(std::span<const std::uint8_t> report) = 0;
  // One input report if one is waiting, as the device sent it (with its
  // report ID first only when the device numbers its reports); length 0 when
  // none is. Never waits.
  virtual DeviceResult Read(std::span<std::uint8_t> buffer) = 0;
  // Waits at most `milliseconds` until Read has a report to give, or the
  // device fails (then `error` says why).
  virtual WaitResult WaitReadable(std::uint32_t milliseconds, DeviceError& error) = 0;
  // Drops the input reports waiting to be read.
  virtual void Flush() = 0;
};

// The codes the system uses for failures that the Windows objects made above
// it can meet.
struct ErrorCodes {
  DeviceError invalidHandle;
  DeviceError invalidParameter;
  DeviceError noMoreItems;
  DeviceError insufficientBuffer;
  DeviceError ioPending;
  DeviceError invalidUserBuffer;
};

enum class Access {
  kReadWrite,
  // Only to learn who the device is; granted also where reading and writing
  // are not (keyboards, devices of other users).
  kQuery,
};

struct OpenResult {
  std::unique_ptr<HidDevice> device;  // null on failure
  DeviceError error = 0;
};

class DeviceSystem {
 public:
  virtual ~DeviceSystem() = default;
  // The HID devices present now, in a stable order.
  virtual std::vector<DeviceInfo> Enumerate() = 0;
  virtual OpenResult Open(const std::string& path, Access access) = 0;
  // The system's text of `code`, one line without a line end; empty when it
  // has none.
  virtual std::string ErrorText(DeviceError code) const = 0;
  virtual ErrorCodes Codes() const = 0;
  // Waits at most `milliseconds` (0xFFFFFFFF: without end) for a device to
  // arrive or go; true when one may have. Watching starts with the first
  // call: a caller enumerates after it and misses nothing.
  virtual bool WaitForChange(std::uint32_t milliseconds) = 0;
};

}  // namespace ql::hidlink
