// What a device's HID report descriptor (USB HID class definition 1.11, 6.2.2)
// tells the link: the capability record Windows would give for it, and whether
// the device puts a report ID in front of its reports.
//
// Descriptors come from devices and from files, so anything goes: the parser
// never reads past the bytes it is given, never throws, keeps its memory
// bounded and always answers with what it could make of the bytes.
#pragma once

#include <bitset>
#include <cstdint>
#include <span>

#include "hidlink/platform.h"

namespace ql::hidlink {

struct DescriptorSummary {
  // Lengths follow the Windows convention: for each report kind the largest
  // report over all report IDs, in whole bytes, plus the report ID byte (also
  // when reports are unnumbered); 0 when the descriptor declares no report of
  // that kind.
  Caps caps;
  // At least one Report ID item: every report starts with its ID byte.
  bool numberedReports = false;
  // The report IDs under which the descriptor declares output reports (0 for
  // a device without numbered reports). A write under any other ID is one the
  // device cannot take.
  std::bitset<256> outputReportIds;
  // False when the descriptor ends inside an item; `caps` then describes the
  // items before it.
  bool complete = true;
};

DescriptorSummary ParseReportDescriptor(std::span<const std::uint8_t> descriptor);

}  // namespace ql::hidlink
