#include "hidlink/capability_lines.h"

#include "hidlink/text_helpers.h"

namespace ql::hidlink {

std::vector<std::string> CapabilityLines(const Caps& c) {
  return {
      "  Usage: " + HexText(c.Usage),
      "  Usage Page: " + HexText(c.UsagePage),
      "  Input Report Byte Length: " + DecimalText(c.InputReportByteLength),
      "  Output Report Byte Length: " + DecimalText(c.OutputReportByteLength),
      "  Feature Report Byte Length: " + DecimalText(c.FeatureReportByteLength),
      "  Number of Link Collection Nodes: " + DecimalText(c.NumberLinkCollectionNodes),
      "  Number of Input Button Caps: " + DecimalText(c.NumberInputButtonCaps),
      "  Number of Input Value Caps: " + DecimalText(c.NumberInputValueCaps),
      "  Number of Input Data Indices: " + DecimalText(c.NumberInputDataIndices),
      "  Number of Output Button Caps: " + DecimalText(c.NumberOutputButtonCaps),
      "  Number of Output Value Caps: " + DecimalText(c.NumberOutputValueCaps),
      "  Number of Output Data Indices: " + DecimalText(c.NumberOutputDataIndices),
      "  Number of Feature Button Caps: " + DecimalText(c.NumberFeatureButtonCaps),
      "  Number of Feature Value Caps: " + DecimalText(c.NumberFeatureValueCaps),
      "  Number of Feature Data Indices: " + DecimalText(c.NumberFeatureDataIndices),
  };
}

}  // namespace ql::hidlink
