// The simulated platform, keeping a log of what the link asked for, so tests
// can check what was never done: a handle closed twice, a released value
// passed on, a request too large.
#pragma once

#include <cstdint>
#include <vector>

#include "hidlink/sim/sim_platform.h"

namespace ql::testing {

class RecordingPlatform final : public hidlink::sim::SimPlatform {
 public:
  std::vector<hidlink::Handle> closed;       // every CloseHandle argument
  std::vector<std::intptr_t> preparsedUsed;  // every preparsed value passed in
  std::vector<std::intptr_t> preparsedFreed;
  std::vector<std::uint16_t> valueCapsRequested;
  bool failPreparsed = false;
  std::uint16_t reportedInputValueCaps = 0;  // nonzero: GetCaps claims this many

  bool GetPreparsedData(hidlink::Handle d, std::intptr_t& p) override {
    return SimPlatform::GetPreparsedData(failPreparsed ? hidlink::kInvalidHandle : d, p);
  }
  bool GetCaps(std::intptr_t p, hidlink::Caps& c) override {
    preparsedUsed.push_back(p);
    const bool ok = SimPlatform::GetCaps(p, c);
    if (ok && reportedInputValueCaps) c.NumberInputValueCaps = reportedInputValueCaps;
    return ok;
  }
  bool GetInputValueCaps(std::intptr_t p, hidlink::ValueCapsScratch& s,
                         std::uint16_t& count) override {
    preparsedUsed.push_back(p);
    valueCapsRequested.push_back(count);
    return SimPlatform::GetInputValueCaps(p, s, count);
  }
  bool FreePreparsedData(std::intptr_t p) override {
    preparsedFreed.push_back(p);
    return SimPlatform::FreePreparsedData(p);
  }
  bool CloseHandle(hidlink::Handle h) override {
    closed.push_back(h);
    return SimPlatform::CloseHandle(h);
  }
};

}  // namespace ql::testing
