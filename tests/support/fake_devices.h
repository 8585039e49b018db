// A device system of one's own making, for the Windows objects emulated over
// it: devices with any report descriptor, the reports written to them, input
// reports to hand out, and texts for any code.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "hidlink/device.h"

namespace ql::testing {

class FakeDevices final : public hidlink::DeviceSystem {
 public:
  using Bytes = std::vector<std::uint8_t>;

  std::vector<hidlink::DeviceInfo> devices;
  std::vector<Bytes> written;  // by every device, in order
  std::deque<Bytes> input;     // read by any device, oldest first
  std::map<hidlink::DeviceError, std::string> texts{{0, "ok"}};
  // Runs at the start of every wait for an input report, on the waiting
  // thread.
  std::function<void()> beforeWait;

  std::vector<hidlink::DeviceInfo> Enumerate() override { return devices; }
  hidlink::OpenResult Open(const std::string& path, hidlink::Access) override {
    for (const auto& d : devices)
      if (d.path == path) return {std::make_unique<Device>(*this), 0};
    return {nullptr, 2};
  }
  std::string ErrorText(hidlink::DeviceError code) const override {
    const auto it = texts.find(code);
    return it == texts.end() ? std::string() : it->second;
  }
  hidlink::ErrorCodes Codes() const override { return {6, 87, 259, 122, 997, 1784}; }
  bool WaitForChange(std::uint32_t) override { return false; }

 private:
  class Device final : public hidlink::HidDevice {
   public:
    explicit Device(FakeDevices& system) : system_(system) {}
    hidlink::DeviceResult Write(std::span<const std::uint8_t> report) override {
      system_.written.emplace_back(report.begin(), report.end());
      return {report.size(), 0};
    }
    hidlink::DeviceResult Read(std::span<std::uint8_t> buffer) override {
      if (system_.input.empty()) return {};
      const Bytes next = system_.input.front();
      system_.input.pop_front();
      std::copy_n(next.begin(), std::min(next.size(), buffer.size()), buffer.begin());
      return {std::min(next.size(), buffer.size()), 0};
    }
    hidlink::WaitResult WaitReadable(std::uint32_t, hidlink::DeviceError&) override {
      if (system_.beforeWait) system_.beforeWait();
      return system_.input.empty() ? hidlink::WaitResult::kTimedOut
                                   : hidlink::WaitResult::kReadable;
    }
    void Flush() override { system_.input.clear(); }

   private:
    FakeDevices& system_;
  };
};

}  // namespace ql::testing
