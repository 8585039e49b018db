// The Win32 platform against the system's HID services (under Wine, its
// virtual mouse and keyboard, in varying number), and values the system would
// take on trust. The ql8810.exe runs check the search and the attributes.
#include "hidlink/win32/win32_platform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "hidlink/interface_list.h"

namespace ql::hidlink::win32 {
namespace {

constexpr std::uint32_t kInvalidHandleCode = 6;
constexpr std::uint32_t kInvalidParameter = 87;  // for what the platform did not hand out
constexpr std::uint32_t kInsufficientBuffer = 122;

TEST(Win32Platform, ReadsThePreparsedDataOfAPresentInterfaceAndFreesItOnce) {
  Win32Platform platform;
  EXPECT_EQ(platform.DetailDataFixedSize(), sizeof(void*) == 8 ? 8u : 5u);
  const std::vector<InterfaceEntry> present = ListInterfaces(platform);
  if (present.empty()) GTEST_SKIP() << "no HID interface";
  const Handle device = platform.OpenDevice(present.front().path, OpenMode::kQueryOnly);
  ASSERT_TRUE(IsOpenHandle(device)) << present.front().path << ": " << platform.LastError();
  std::intptr_t preparsed = 0;
  ASSERT_TRUE(platform.GetPreparsedData(device, preparsed)) << platform.LastError();
  Caps caps;
  EXPECT_TRUE(platform.GetCaps(preparsed, caps));
  EXPECT_NE(caps.UsagePage, 0);
  EXPECT_GT(caps.InputReportByteLength, 0);
  std::uint16_t count = std::min(caps.NumberInputValueCaps, kMaxValueCapsRequest);
  if (caps.NumberInputValueCaps > 0) {  // with none, Wine's answer is a failure
    EXPECT_TRUE(platform.GetInputValueCaps(preparsed, count)) << platform.LastError();
    EXPECT_EQ(count, std::min(caps.NumberInputValueCaps, kMaxValueCapsRequest));
  }

  EXPECT_TRUE(platform.FreePreparsedData(preparsed));
  // Released data is never handed to the system again.
  EXPECT_FALSE(platform.GetCaps(preparsed, caps));
  EXPECT_FALSE(platform.FreePreparsedData(preparsed));
  EXPECT_EQ(platform.LastError(), kInvalidParameter);
  EXPECT_TRUE(platform.CloseHandle(device));
}

// Given to the system, some of these would wait on the process itself or
// follow a wild pointer into freed memory.
TEST(Win32Platform, ValuesNamingNothingOpenFailWithACode) {
  Win32Platform p;
  const Guid hid = p.GetHidGuid();
  const Handle live = p.GetClassDevs(hid);
  const Handle stale = p.GetClassDevs(hid);
  ASSERT_TRUE(IsOpenHandle(live));
  ASSERT_TRUE(p.DestroyDeviceInfoList(stale));

  InterfaceData data;
  data.Reserved = 0x5A5A50;  // a member `live` never gave out
  std::uint32_t n = 0;
  std::uint16_t count = 1;
  std::intptr_t preparsed = 0;
  Caps caps;
  Attributes attributes;
  Overlapped overlapped;
  std::uint8_t report[8] = {1};
  // The platform itself vouches for sets and preparsed data, whatever their
  // value; for kernel handles only for 0 and -1, the rest is the system's to
  // judge. 0x5A5A50 is made up, as a corrupted value would be.
  const std::vector<std::intptr_t> anyValue = {0, -1, 0x5A5A50, stale}, noHandle = {0, -1};
  const auto fails = [&](std::uint32_t code, const std::vector<std::intptr_t>& values,
                         const char* call, const std::function<bool(std::intptr_t)>& run) {
    for (const std::intptr_t v : values) {
      EXPECT_FALSE(run(v)) << call << " " << v;
      EXPECT_EQ(p.LastError(), code) << call << " " << v;
    }
  };
#define FAILS(code, values, call) fails(code, values, #call, [&](std::intptr_t v) { return call; })
  FAILS(kInvalidHandleCode, anyValue, p.EnumDeviceInterfaces(v, hid, 0, data));
  FAILS(kInvalidHandleCode, anyValue, p.GetDeviceInterfaceDetail(v, data, {}, n));
  FAILS(kInvalidHandleCode, anyValue, p.DestroyDeviceInfoList(v));
  FAILS(kInvalidParameter, {live}, p.GetDeviceInterfaceDetail(v, data, {}, n));
  FAILS(kInvalidParameter, anyValue, p.GetCaps(v, caps));
  FAILS(kInvalidParameter, anyValue, p.GetInputValueCaps(v, count));
  FAILS(kInvalidParameter, anyValue, p.FreePreparsedData(v));
  FAILS(kInvalidHandleCode, noHandle, p.GetAttributes(v, attributes));
  FAILS(kInvalidHandleCode, noHandle, p.GetPreparsedData(v, preparsed));
  FAILS(kInvalidHandleCode, noHandle, p.WriteFile(v, report, n));
  FAILS(kInvalidHandleCode, noHandle, p.ReadFile(v, report, n, overlapped));
  FAILS(kInvalidHandleCode, noHandle, p.WaitForSingleObject(v, 0) != kWaitFailed);
  FAILS(kInvalidHandleCode, noHandle, p.CancelIo(v));
  FAILS(kInvalidHandleCode, noHandle, p.ResetEvent(v));
  FAILS(kInvalidHandleCode, noHandle, p.CloseHandle(v));
#undef FAILS
}

TEST(Win32Platform, SystemTextEndsInALineBreakAndNeedsRoomForItsZero) {
  Win32Platform platform;
  std::vector<char> buffer(128, 'x');
  const std::uint32_t n = platform.FormatSystemMessage(kInsufficientBuffer, buffer);
  ASSERT_GT(n, 2u);
  EXPECT_EQ(std::string(buffer.data() + n - 2, 3), std::string("\r\n\0", 3));
  std::vector<char> exact(n, 'x');
  EXPECT_EQ(platform.FormatSystemMessage(kInsufficientBuffer, exact), 0u);
  EXPECT_EQ(platform.FormatSystemMessage(kInsufficientBuffer, {}), 0u);
}

}  // namespace
}  // namespace ql::hidlink::win32
