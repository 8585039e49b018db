// The board's HID capabilities, read through the write handle after a match.
#include <algorithm>

#include "hidlink/capability_lines.h"
#include "hidlink/link.h"

namespace ql::hidlink {

void Link::QueryCapabilities() {
  std::intptr_t preparsed = 0;
  if (!platform_->GetPreparsedData(HIDHandle, preparsed)) preparsed = 0;
  ReportApiCall("HidD_GetPreparsedData");

  platform_->GetCaps(preparsed, Capabilities);
  ReportApiCall("HidP_GetCaps");

  for (const std::string& line : CapabilityLines(Capabilities)) list_.Append(line);

  // The entries are not used; the request never exceeds the scratch room.
  ValueCapsScratch scratch;
  std::uint16_t count = std::min(Capabilities.NumberInputValueCaps, ValueCapsScratch::kCapacity);
  platform_->GetInputValueCaps(preparsed, scratch, count);
  ReportApiCall("HidP_GetValueCaps");

  platform_->FreePreparsedData(preparsed);
  ReportApiCall("HidD_FreePreparsedData");
}

}  // namespace ql::hidlink
