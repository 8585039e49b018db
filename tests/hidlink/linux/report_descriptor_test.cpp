#include "hidlink/linux/report_descriptor.h"

#include <gtest/gtest.h>

#include <vector>

#include "emulator/board_descriptor.h"

namespace ql::hidlink::hidraw {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The boot keyboard of the HID class definition (appendix B.1).
const Bytes kKeyboard = {
    0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x05, 0x07, 0x19, 0xE0, 0x29, 0xE7, 0x15, 0x00, 0x25, 0x01,
    0x75, 0x01, 0x95, 0x08, 0x81, 0x02, 0x95, 0x01, 0x75, 0x08, 0x81, 0x01, 0x95, 0x05, 0x75, 0x01,
    0x05, 0x08, 0x19, 0x01, 0x29, 0x05, 0x91, 0x02, 0x95, 0x01, 0x75, 0x03, 0x91, 0x01, 0x95, 0x06,
    0x75, 0x08, 0x15, 0x00, 0x25, 0x65, 0x05, 0x07, 0x19, 0x00, 0x29, 0x65, 0x81, 0x00, 0xC0};

// Three buttons and X, Y, wheel, in a physical collection.
const Bytes kMouse = {0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x09, 0x01, 0xA1, 0x00, 0x05, 0x09, 0x19,
                      0x01, 0x29, 0x03, 0x15, 0x00, 0x25, 0x01, 0x95, 0x03, 0x75, 0x01, 0x81, 0x02,
                      0x95, 0x01, 0x75, 0x05, 0x81, 0x03, 0x05, 0x01, 0x09, 0x30, 0x09, 0x31, 0x09,
                      0x38, 0x15, 0x81, 0x25, 0x7F, 0x75, 0x08, 0x95, 0x03, 0x81, 0x06, 0xC0, 0xC0};

// A keyboard (report 1, no LEDs) and a consumer control (report 2) as two
// top-level collections.
const Bytes kKeyboardAndConsumer = {
    0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x85, 0x01, 0x05, 0x07, 0x19, 0xE0, 0x29, 0xE7,
    0x15, 0x00, 0x25, 0x01, 0x75, 0x01, 0x95, 0x08, 0x81, 0x02, 0x95, 0x01, 0x75, 0x08,
    0x81, 0x01, 0x95, 0x06, 0x75, 0x08, 0x15, 0x00, 0x25, 0x65, 0x19, 0x00, 0x29, 0x65,
    0x81, 0x00, 0xC0, 0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x02, 0x15, 0x00, 0x26,
    0xFF, 0x03, 0x19, 0x00, 0x2A, 0xFF, 0x03, 0x75, 0x10, 0x95, 0x01, 0x81, 0x00, 0xC0};

struct Expected {
  const char* name;
  Bytes descriptor;
  Caps caps;
  bool numbered;
};

TEST(ParseReportDescriptor, RealDevicesGiveTheWindowsCapabilities) {
  const std::vector<Expected> cases = {
      {"boot keyboard", kKeyboard, {6, 1, 9, 2, 0, 1, 2, 0, 110, 1, 0, 5, 0, 0, 0}, false},
      {"wheel mouse", kMouse, {2, 1, 5, 0, 0, 2, 1, 3, 6, 0, 0, 0, 0, 0, 0}, false},
      {"interface board",
       Bytes(emulator::kBoardReportDescriptor.begin(), emulator::kBoardReportDescriptor.end()),
       {1, 0xFF00, 8, 8, 0, 1, 0, 1, 1, 0, 1, 1, 0, 0, 0},
       true},
      {"keyboard and consumer control",
       kKeyboardAndConsumer,
       {6, 1, 9, 0, 0, 2, 3, 0, 8 + 102 + 1024, 0, 0, 0, 0, 0, 0},
       true},
  };
  for (const auto& c : cases) {
    const DescriptorSummary s = ParseReportDescriptor(c.descriptor);
    const Caps& a = s.caps;
    const Caps& e = c.caps;
    SCOPED_TRACE(c.name);
    EXPECT_TRUE(s.complete);
    EXPECT_EQ(s.numberedReports, c.numbered);
    EXPECT_EQ(a.Usage, e.Usage);
    EXPECT_EQ(a.UsagePage, e.UsagePage);
    EXPECT_EQ(a.InputReportByteLength, e.InputReportByteLength);
    EXPECT_EQ(a.OutputReportByteLength, e.OutputReportByteLength);
    EXPECT_EQ(a.FeatureReportByteLength, e.FeatureReportByteLength);
    EXPECT_EQ(a.NumberLinkCollectionNodes, e.NumberLinkCollectionNodes);
    EXPECT_EQ(a.NumberInputButtonCaps, e.NumberInputButtonCaps);
    EXPECT_EQ(a.NumberInputValueCaps, e.NumberInputValueCaps);
    EXPECT_EQ(a.NumberInputDataIndices, e.NumberInputDataIndices);
    EXPECT_EQ(a.NumberOutputButtonCaps, e.NumberOutputButtonCaps);
    EXPECT_EQ(a.NumberOutputValueCaps, e.NumberOutputValueCaps);
    EXPECT_EQ(a.NumberOutputDataIndices, e.NumberOutputDataIndices);
  }
}

Bytes Repeat(const Bytes& item, int times) {
  Bytes out;
  for (int i = 0; i < times; ++i) out.insert(out.end(), item.begin(), item.end());
  return out;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

// Report size 8, count 1, one input: a two-byte report.
const Bytes kOneByteInput = {0x75, 0x08, 0x95, 0x01, 0x09, 0x01, 0x81, 0x02};

TEST(ParseReportDescriptor, HostileDescriptorsStillGetAnAnswer) {
  Bytes manyIds;
  for (int id = 1; id <= 300; ++id) {
    const Bytes item = {0x86, static_cast<std::uint8_t>(id), static_cast<std::uint8_t>(id >> 8)};
    manyIds = Concat({manyIds, item, kOneByteInput});
  }
  struct Case {
    const char* name;
    Bytes descriptor;
    std::uint16_t inputLength;
    bool complete;
  };
  const std::vector<Case> cases = {
      {"empty", {}, 0, true},
      {"truncated item", Concat({kOneByteInput, {0x26, 0xFF}}), 2, false},
      {"input without data", {0x80}, 0, true},  // a size-0 item: no bits
      {"long item skipped", Concat({{0xFE, 0x02, 0x10, 0x81, 0x02}, kOneByteInput}), 2, true},
      {"long item truncated", Concat({kOneByteInput, {0xFE, 0x09, 0x10, 0x00}}), 2, false},
      {"push without pop", Concat({{0xA4, 0x75, 0x10}, {0x95, 0x01, 0x81, 0x02}}), 3, true},
      {"pop without push", Concat({{0xB4}, kOneByteInput}), 2, true},
      // 100 Pushes, a 32-bit size, 100 Pops: the first size is back.
      {"100 pushes and pops",
       Concat({{0x75, 0x08},
               Repeat({0xA4}, 100),
               {0x75, 0x20},
               Repeat({0xB4}, 100),
               {0x95, 0x01, 0x81, 0x02}}),
       2, true},
      {"count 65535 size 255",
       {0x75, 0xFF, 0x96, 0xFF, 0xFF, 0x81, 0x02, 0x81, 0x02},
       0xFFFF,
       true},
      {"size 0", {0x75, 0x00, 0x96, 0xFF, 0xFF, 0x81, 0x02}, 0, true},
      {"300 report IDs", manyIds, 2, true},
      {"end collection without collection", Concat({{0xC0, 0xC0}, kOneByteInput}), 2, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const DescriptorSummary s = ParseReportDescriptor(c.descriptor);
    EXPECT_EQ(s.caps.InputReportByteLength, c.inputLength);
    EXPECT_EQ(s.complete, c.complete);
  }
}

TEST(ParseReportDescriptor, ReportsAreCountedPerReportIdAndKind) {
  // Report 1: 12 input bits (2 bytes + ID), report 2: 3 input bytes, plus
  // a 4-byte feature in report 2; unnumbered items would share ID 0.
  const Bytes d = {0x85, 0x01, 0x75, 0x04, 0x95, 0x03, 0x09, 0x01, 0x81, 0x02,  //
                   0x85, 0x02, 0x75, 0x08, 0x95, 0x03, 0x09, 0x01, 0x81, 0x02,  //
                   0x95, 0x04, 0x09, 0x02, 0xB1, 0x02};
  const DescriptorSummary s = ParseReportDescriptor(d);
  EXPECT_TRUE(s.numberedReports);
  EXPECT_EQ(s.caps.InputReportByteLength, 4);
  EXPECT_EQ(s.caps.OutputReportByteLength, 0);
  EXPECT_EQ(s.caps.FeatureReportByteLength, 5);
  EXPECT_EQ(s.caps.NumberFeatureValueCaps, 1);
}

TEST(ParseReportDescriptor, ExtendedUsageCarriesItsOwnPage) {
  // Usage Page 1, then a four-byte usage 0xFF00:0x0001 opens the collection.
  const Bytes d = {0x05, 0x01, 0x0B, 0x01, 0x00, 0x00, 0xFF, 0xA1, 0x01, 0xC0};
  const DescriptorSummary s = ParseReportDescriptor(d);
  EXPECT_EQ(s.caps.UsagePage, 0xFF00);
  EXPECT_EQ(s.caps.Usage, 1);
  EXPECT_EQ(s.caps.NumberLinkCollectionNodes, 1);
}

}  // namespace
}  // namespace ql::hidlink::hidraw
