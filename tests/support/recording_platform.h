// A platform that passes every call on to the simulated one and keeps a log
// of what the link asked for, so tests can check what was never done: a
// handle closed twice, a released value passed on, a request too large.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "hidlink/platform.h"
#include "hidlink/sim/sim_platform.h"

namespace ql::testing {

class RecordingPlatform final : public hidlink::Platform {
 public:
  using Handle = hidlink::Handle;

  explicit RecordingPlatform(hidlink::sim::Scenario scenario = hidlink::sim::Scenario::kBoard)
      : sim(scenario) {}

  hidlink::sim::SimPlatform sim;
  std::vector<Handle> closed;                 // every CloseHandle argument
  std::vector<std::intptr_t> preparsedUsed;   // every preparsed value passed in
  std::vector<std::intptr_t> preparsedFreed;  // every value freed
  std::vector<std::uint16_t> valueCapsRequested;
  bool failPreparsed = false;
  std::uint16_t reportedInputValueCaps = 0;  // nonzero: GetCaps claims this many

  hidlink::Guid GetHidGuid() override { return sim.GetHidGuid(); }
  Handle GetClassDevs(const hidlink::Guid& g) override { return sim.GetClassDevs(g); }
  bool EnumDeviceInterfaces(Handle set, const hidlink::Guid& g, std::uint32_t i,
                            hidlink::InterfaceData& d) override {
    return sim.EnumDeviceInterfaces(set, g, i, d);
  }
  bool GetDeviceInterfaceDetail(Handle set, const hidlink::InterfaceData& d,
                                std::span<std::uint8_t> b, std::uint32_t& r) override {
    return sim.GetDeviceInterfaceDetail(set, d, b, r);
  }
  std::uint32_t DetailDataFixedSize() const override { return sim.DetailDataFixedSize(); }
  bool DestroyDeviceInfoList(Handle set) override { return sim.DestroyDeviceInfoList(set); }
  Handle OpenDevice(const std::string& p, hidlink::OpenMode m) override {
    return sim.OpenDevice(p, m);
  }
  bool GetAttributes(Handle d, hidlink::Attributes& a) override { return sim.GetAttributes(d, a); }
  bool GetPreparsedData(Handle d, std::intptr_t& p) override {
    if (failPreparsed) return sim.GetPreparsedData(hidlink::kInvalidHandle, p);
    return sim.GetPreparsedData(d, p);
  }
  bool GetCaps(std::intptr_t p, hidlink::Caps& c) override {
    preparsedUsed.push_back(p);
    const bool ok = sim.GetCaps(p, c);
    if (ok && reportedInputValueCaps) c.NumberInputValueCaps = reportedInputValueCaps;
    return ok;
  }
  bool GetInputValueCaps(std::intptr_t p, hidlink::ValueCapsScratch& s,
                         std::uint16_t& count) override {
    preparsedUsed.push_back(p);
    valueCapsRequested.push_back(count);
    return sim.GetInputValueCaps(p, s, count);
  }
  bool FreePreparsedData(std::intptr_t p) override {
    preparsedFreed.push_back(p);
    return sim.FreePreparsedData(p);
  }
  Handle CreateReadEvent() override { return sim.CreateReadEvent(); }
  bool WriteFile(Handle d, std::span<const std::uint8_t> r, std::uint32_t& n) override {
    return sim.WriteFile(d, r, n);
  }
  bool ReadFile(Handle d, std::span<std::uint8_t> b, std::uint32_t& n,
                hidlink::Overlapped& o) override {
    return sim.ReadFile(d, b, n, o);
  }
  bool GetOverlappedResult(Handle d, hidlink::Overlapped& o, std::uint32_t& n) override {
    return sim.GetOverlappedResult(d, o, n);
  }
  std::uint32_t WaitForSingleObject(Handle e, std::uint32_t ms) override {
    return sim.WaitForSingleObject(e, ms);
  }
  bool CancelIo(Handle d) override { return sim.CancelIo(d); }
  bool ResetEvent(Handle e) override { return sim.ResetEvent(e); }
  bool CloseHandle(Handle h) override {
    closed.push_back(h);
    return sim.CloseHandle(h);
  }
  std::uint32_t LastError() const override { return sim.LastError(); }
  std::uint32_t FormatSystemMessage(std::uint32_t code, std::span<char> b) const override {
    return sim.FormatSystemMessage(code, b);
  }
};

}  // namespace ql::testing
