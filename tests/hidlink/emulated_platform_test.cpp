// The Windows objects made over a plain device system, with devices of any
// report descriptor.
#include "hidlink/emulated_platform.h"

#include <gtest/gtest.h>

#include "hidlink/text_helpers.h"
#include "tests/support/fake_devices.h"

namespace ql::hidlink {
namespace {

using Bytes = std::vector<std::uint8_t>;
using testing::FakeDevices;

// Vendor page, collection, 8-bit fields: `items` inside it.
Bytes Descriptor(const Bytes& items) {
  static const Bytes head = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01,
                             0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08};
  Bytes d;
  d.reserve(head.size() + items.size() + 1);
  d.insert(d.end(), head.begin(), head.end());
  d.insert(d.end(), items.begin(), items.end());
  d.push_back(0xC0);
  return d;
}
// `count` data bytes of input, then of output, each under its ID (none: 0).
Bytes Reports(std::uint8_t inputId, std::uint8_t outputId, std::uint8_t count = 7) {
  Bytes items;
  for (const auto& [id, main] : {std::pair{inputId, std::uint8_t{0x81}}, {outputId, 0x91}}) {
    items.insert(items.end(), {0x95, count});
    if (id != 0) items.insert(items.end(), {0x85, id});
    items.insert(items.end(), {0x09, 0x01, main, 0x02});
  }
  return Descriptor(items);
}

struct Machine {
  explicit Machine(Bytes descriptor) {
    auto owned = std::make_unique<FakeDevices>();
    devices = owned.get();
    DeviceInfo board;
    board.path = "/dev/board";
    board.vendor = 0x0483;
    board.product = 0x0003;
    board.version = 0x0200;
    board.descriptor = std::move(descriptor);
    devices->devices.push_back(std::move(board));
    platform = std::make_unique<EmulatedPlatform>(std::move(owned));
  }
  Handle Open(OpenMode mode = OpenMode::kWrite) {
    platform->GetClassDevs(platform->GetHidGuid());
    return platform->OpenDevice("/dev/board", mode);
  }
  FakeDevices* devices;
  std::unique_ptr<EmulatedPlatform> platform;
};

// A HID class driver takes a report only under an ID the device declares
// for output (0 when it declares no IDs), and only at its output length.
TEST(EmulatedPlatform, WritesOnlyReportsTheDescriptorDeclaresForOutput) {
  struct Case {
    const char* shape;
    Bytes descriptor;
    Bytes report;
    bool taken;
  };
  const Bytes board = {1, 1, 6, 0, 0, 0, 0, 0};
  const Case cases[] = {
      {"IDs as the board has them", Reports(3, 1), board, true},
      {"IDs as the board has them, input ID", Reports(3, 1), {3, 1, 6, 0, 0, 0, 0, 0}, false},
      {"IDs as the board has them, ID 0", Reports(3, 1), {0, 1, 6, 0, 0, 0, 0, 0}, false},
      {"IDs as the board has them, short", Reports(3, 1), {1, 1, 6}, false},
      {"no IDs", Reports(0, 0), {0, 1, 1, 6, 0, 0, 0, 0}, true},
      {"no IDs, the board's report", Reports(0, 0), board, false},
      {"no IDs, ID byte and 8 bytes", Reports(0, 0), {1, 1, 1, 6, 0, 0, 0, 0}, false},
      {"8 bytes without IDs, the board's report", Reports(0, 0, 8), board, false},
      {"output under another ID", Reports(3, 5), {5, 1, 6, 0, 0, 0, 0, 0}, true},
      {"output under another ID, ID 1", Reports(3, 5), board, false},
      {"no output at all", Descriptor({0x95, 0x07, 0x09, 0x01, 0x81, 0x02}), board, false},
  };
  for (const Case& c : cases) {
    Machine m(c.descriptor);
    const Handle device = m.Open();
    std::uint32_t written = 99;
    EXPECT_EQ(m.platform->WriteFile(device, c.report, written), c.taken) << c.shape;
    EXPECT_EQ(written, c.taken ? c.report.size() : 0u) << c.shape;
    EXPECT_EQ(m.platform->LastError(), c.taken ? 0u : 87u) << c.shape;
    EXPECT_EQ(m.devices->written.size(), c.taken ? 1u : 0u) << c.shape;
  }
}

TEST(EmulatedPlatform, ReportsOfADeviceWithoutIdsComeWithAZeroIdByte) {
  Machine m(Reports(0, 0));
  m.devices->input.push_back({0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7});
  const Handle reader = m.Open(OpenMode::kOverlappedRead);
  Overlapped overlapped;
  overlapped.hEvent = m.platform->CreateReadEvent();
  Bytes buffer(8, 0xEE);
  std::uint32_t read = 0;
  ASSERT_TRUE(m.platform->ReadFile(reader, buffer, read, overlapped));
  EXPECT_EQ(read, 8u);
  EXPECT_EQ(buffer, (Bytes{0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7}));
  // A buffer shorter than the input report is refused before anything is read.
  Bytes small(4);
  EXPECT_FALSE(m.platform->ReadFile(reader, small, read, overlapped));
  EXPECT_EQ(m.platform->LastError(), 1784u);
}

TEST(EmulatedPlatform, ValueCapabilityRequestsStayWithinWhatWasOffered) {
  // Forty input fields of one byte each, every one a value capability.
  Bytes items;
  for (int i = 0; i < 40; ++i) items.insert(items.end(), {0x95, 0x01, 0x09, 0x01, 0x81, 0x02});
  Machine m(Descriptor(items));
  std::intptr_t preparsed = 0;
  ASSERT_TRUE(m.platform->GetPreparsedData(m.Open(), preparsed));
  Caps caps;
  ASSERT_TRUE(m.platform->GetCaps(preparsed, caps));
  EXPECT_EQ(caps.NumberInputValueCaps, 40);
  std::uint16_t count = 400;
  EXPECT_TRUE(m.platform->GetInputValueCaps(preparsed, count));
  EXPECT_EQ(count, kMaxValueCapsRequest);
  EXPECT_TRUE(m.platform->FreePreparsedData(preparsed));
  // A value freed, or never obtained, fails cleanly.
  for (std::intptr_t stale : {preparsed, std::intptr_t{0}}) {
    EXPECT_FALSE(m.platform->GetCaps(stale, caps));
    EXPECT_FALSE(m.platform->FreePreparsedData(stale));
  }
}

TEST(EmulatedPlatform, HandlesNameOnlyWhatTheyWereMadeFor) {
  Machine m(Reports(3, 1));
  const Handle set = m.platform->GetClassDevs(m.platform->GetHidGuid());
  const Handle device = m.platform->OpenDevice("/dev/board", OpenMode::kWrite);
  std::uint32_t n = 0;
  Overlapped overlapped{0, 0, m.platform->CreateReadEvent()};
  Bytes buffer(8);
  // A set is no kernel handle, an event no device, a write handle no reader.
  EXPECT_FALSE(m.platform->CloseHandle(set));
  EXPECT_FALSE(m.platform->WriteFile(overlapped.hEvent, Bytes{1, 1, 6, 0, 0, 0, 0, 0}, n));
  EXPECT_FALSE(m.platform->ReadFile(device, buffer, n, overlapped));
  EXPECT_EQ(m.platform->WaitForSingleObject(device, 0), kWaitFailed);
  EXPECT_EQ(m.platform->LastError(), 6u);
  EXPECT_TRUE(m.platform->DestroyDeviceInfoList(set));
  EXPECT_FALSE(m.platform->DestroyDeviceInfoList(set));
  EXPECT_TRUE(m.platform->CloseHandle(device));
  EXPECT_FALSE(m.platform->CloseHandle(device));
  EXPECT_FALSE(m.platform->FlushQueue(device));
}

TEST(SystemErrorText, TheSystemsTextWithoutALineBreakWhenItFits) {
  auto owned = std::make_unique<FakeDevices>();
  FakeDevices& devices = *owned;
  EmulatedPlatform platform(std::move(owned));
  const std::string fits(125, 'x');  // with CR LF 127 characters and the zero: fits 128
  const std::pair<std::string, std::string> cases[] = {
      {"", ""}, {"a", "a"}, {fits, fits}, {fits + "y", ""}, {"%1 is no app.", "%1 is no app."}};
  DeviceError code = 70000;
  for (const auto& [stored, shown] : cases) {
    devices.texts[code] = stored;
    EXPECT_EQ(SystemErrorText(platform, code), shown) << stored.size();
    ++code;
  }
  EXPECT_EQ(SystemErrorText(platform, 424242), "");  // no text for the code
}

}  // namespace
}  // namespace ql::hidlink
