// The board's HID capabilities, read through the write handle after a match.
#include <algorithm>

#include "hidlink/link.h"
#include "hidlink/text_helpers.h"

namespace ql::hidlink {

void Link::QueryCapabilities() {
  std::intptr_t preparsed = 0;
  if (!platform_->GetPreparsedData(HIDHandle, preparsed)) preparsed = 0;
  ReportApiCall("HidD_GetPreparsedData");

  platform_->GetCaps(preparsed, Capabilities);
  ReportApiCall("HidP_GetCaps");

  const Caps& c = Capabilities;
  list_.Append("  Usage: " + HexText(c.Usage));
  list_.Append("  Usage Page: " + HexText(c.UsagePage));
  list_.Append("  Input Report Byte Length: " + DecimalText(c.InputReportByteLength));
  list_.Append("  Output Report Byte Length: " + DecimalText(c.OutputReportByteLength));
  list_.Append("  Feature Report Byte Length: " + DecimalText(c.FeatureReportByteLength));
  list_.Append("  Number of Link Collection Nodes: " + DecimalText(c.NumberLinkCollectionNodes));
  list_.Append("  Number of Input Button Caps: " + DecimalText(c.NumberInputButtonCaps));
  list_.Append("  Number of Input Value Caps: " + DecimalText(c.NumberInputValueCaps));
  list_.Append("  Number of Input Data Indices: " + DecimalText(c.NumberInputDataIndices));
  list_.Append("  Number of Output Button Caps: " + DecimalText(c.NumberOutputButtonCaps));
  list_.Append("  Number of Output Value Caps: " + DecimalText(c.NumberOutputValueCaps));
  list_.Append("  Number of Output Data Indices: " + DecimalText(c.NumberOutputDataIndices));
  list_.Append("  Number of Feature Button Caps: " + DecimalText(c.NumberFeatureButtonCaps));
  list_.Append("  Number of Feature Value Caps: " + DecimalText(c.NumberFeatureValueCaps));
  list_.Append("  Number of Feature Data Indices: " + DecimalText(c.NumberFeatureDataIndices));

  // The entries are not used; the request never exceeds the scratch room.
  ValueCapsScratch scratch;
  std::uint16_t count = std::min(c.NumberInputValueCaps, ValueCapsScratch::kCapacity);
  platform_->GetInputValueCaps(preparsed, scratch, count);
  ReportApiCall("HidP_GetValueCaps");

  platform_->FreePreparsedData(preparsed);
  ReportApiCall("HidD_FreePreparsedData");
}

}  // namespace ql::hidlink
