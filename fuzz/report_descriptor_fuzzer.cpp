// libFuzzer target: any bytes a device or a file may hand the report
// descriptor parser. Sanitizers catch out-of-bounds reads; the checks below
// catch answers that cannot be right whatever the input.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "hidlink/report_descriptor.h"

namespace {

// A report of any kind holds at least one bit besides the ID byte.
bool PlausibleLength(std::uint16_t length) {
  return length == 0 || length >= 2;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto summary = ql::hidlink::ParseReportDescriptor(std::span(data, size));
  const auto& caps = summary.caps;
  if (!PlausibleLength(caps.InputReportByteLength) ||
      !PlausibleLength(caps.OutputReportByteLength) ||
      !PlausibleLength(caps.FeatureReportByteLength))
    std::abort();
  // Each data index belongs to some caps entry.
  if (caps.NumberInputDataIndices < caps.NumberInputButtonCaps + caps.NumberInputValueCaps &&
      caps.NumberInputDataIndices != 0xFFFF)
    std::abort();
  return 0;
}
