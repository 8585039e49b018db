// The HID devices of a Linux machine: the hidraw nodes of the kernel's HID
// core. sysfs says which are present and who they are (/sys/class/hidraw),
// /dev/hidrawN is opened, written and read without blocking, poll waits for
// an input report, and the error codes are errno's.
#pragma once

#include <filesystem>
#include <functional>
#include <string>

#include "hidlink/device.h"

namespace ql::hidlink::hidraw {

struct Places {
  std::filesystem::path hidrawClass = "/sys/class/hidraw";
  std::filesystem::path devices = "/dev";
};

class HidrawDevices final : public DeviceSystem {
 public:
  // open(2), or what a test puts in its place: a socket that keeps report
  // boundaries reads, writes and polls as the node would.
  using OpenCall = std::function<int(const std::string& path, int flags)>;

  explicit HidrawDevices(Places places = {}, OpenCall open = {});
  ~HidrawDevices() override;
  HidrawDevices(const HidrawDevices&) = delete;
  HidrawDevices& operator=(const HidrawDevices&) = delete;

  std::vector<DeviceInfo> Enumerate() override;
  OpenResult Open(const std::string& path, Access access) override;
  std::string ErrorText(DeviceError code) const override;
  ErrorCodes Codes() const override;
  // inotify on the devices folder: a hidraw node made or removed.
  bool WaitForChange(std::uint32_t milliseconds) override;

 private:
  Places places_;
  OpenCall open_;
  int inotify_ = -1;
};

}  // namespace ql::hidlink::hidraw
