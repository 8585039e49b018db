// The Win32 platform against the system's device-setup and HID services: the
// present HID interfaces (under Wine, its virtual mouse and keyboard; their
// number varies), and values the system would take on trust.
#include "hidlink/win32/win32_platform.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "hidlink/device_path.h"

namespace ql::hidlink::win32 {
namespace {

constexpr std::uint32_t kInvalidHandleCode = 6;
constexpr std::uint32_t kInvalidParameter = 87;
constexpr std::uint32_t kInsufficientBuffer = 122;
constexpr std::uint32_t kNoMoreItems = 259;

// Every present HID interface's path, read through the platform.
std::vector<std::string> PresentPaths(Win32Platform& platform) {
  std::vector<std::string> paths;
  const Guid hid = platform.GetHidGuid();
  const Handle set = platform.GetClassDevs(hid);
  for (std::uint32_t index = 0;; ++index) {
    InterfaceData data;
    data.cbSize = 28;
    if (!platform.EnumDeviceInterfaces(set, hid, index, data)) break;
    std::uint32_t required = 0;
    platform.GetDeviceInterfaceDetail(set, data, {}, required);
    std::vector<std::uint8_t> detail = NewDetailBuffer(required, platform.DetailDataFixedSize());
    if (platform.GetDeviceInterfaceDetail(set, data, std::span(detail.data(), required), required))
      paths.push_back(PathInDetail(detail));
  }
  platform.DestroyDeviceInfoList(set);
  return paths;
}

TEST(Win32Enumeration, SixtyFourBitRecordsAndTheSystemsOwnCodes) {
  Win32Platform platform;
  EXPECT_EQ(platform.DetailDataFixedSize(), sizeof(void*) == 8 ? 8u : 5u);
  const Guid hid = platform.GetHidGuid();
  EXPECT_EQ(hid.Data1, 0x4D1E55B2u);
  const Handle set = platform.GetClassDevs(hid);
  ASSERT_TRUE(IsOpenHandle(set)) << platform.LastError();

  std::uint32_t index = 0;
  for (;; ++index) {
    InterfaceData data;
    data.cbSize = 28;
    if (!platform.EnumDeviceInterfaces(set, hid, index, data)) break;
    EXPECT_EQ(data.cbSize, sizeof(void*) == 8 ? 32u : 28u);
    EXPECT_EQ(data.InterfaceClassGuid.Data1, hid.Data1);

    std::uint32_t required = 0;
    EXPECT_FALSE(platform.GetDeviceInterfaceDetail(set, data, {}, required));
    EXPECT_EQ(platform.LastError(), kInsufficientBuffer);
    ASSERT_TRUE(UsableDetailSize(required, platform.DetailDataFixedSize())) << required;
    std::vector<std::uint8_t> detail = NewDetailBuffer(required, platform.DetailDataFixedSize());
    EXPECT_TRUE(
        platform.GetDeviceInterfaceDetail(set, data, std::span(detail.data(), required), required))
        << platform.LastError();
    EXPECT_EQ(PathInDetail(detail).rfind("\\\\?\\", 0), 0u) << PathInDetail(detail);

    // A member the set never gave out is refused, not followed.
    InterfaceData madeUp = data;
    madeUp.Reserved += 0x10;
    EXPECT_FALSE(platform.GetDeviceInterfaceDetail(set, madeUp, {}, required));
    EXPECT_EQ(platform.LastError(), kInvalidParameter);
  }
  EXPECT_EQ(platform.LastError(), kNoMoreItems) << "after " << index << " interfaces";

  EXPECT_TRUE(platform.DestroyDeviceInfoList(set));
  // The set is gone: every use of it fails cleanly.
  InterfaceData data;
  data.cbSize = 28;
  EXPECT_FALSE(platform.EnumDeviceInterfaces(set, hid, 0, data));
  EXPECT_EQ(platform.LastError(), kInvalidHandleCode);
  EXPECT_FALSE(platform.DestroyDeviceInfoList(set));
  EXPECT_EQ(platform.LastError(), kInvalidHandleCode);
}

TEST(Win32Capabilities, ReadFromAPresentDeviceAndPreparsedDataFreedOnce) {
  Win32Platform platform;
  const auto paths = PresentPaths(platform);
  if (paths.empty()) GTEST_SKIP() << "no HID interface present";

  const Handle device = platform.OpenDevice(paths.front(), OpenMode::kQueryOnly);
  ASSERT_TRUE(IsOpenHandle(device)) << platform.LastError();
  Attributes attributes;
  EXPECT_TRUE(platform.GetAttributes(device, attributes)) << platform.LastError();
  EXPECT_EQ(attributes.Size, 12u);

  std::intptr_t preparsed = 0;
  ASSERT_TRUE(platform.GetPreparsedData(device, preparsed)) << platform.LastError();
  Caps caps;
  EXPECT_TRUE(platform.GetCaps(preparsed, caps));
  EXPECT_NE(caps.UsagePage, 0);
  EXPECT_GT(caps.InputReportByteLength, 0);

  ValueCapsScratch scratch;
  std::uint16_t count = ValueCapsScratch::kCapacity;
  platform.GetInputValueCaps(preparsed, scratch, count);
  EXPECT_LE(count, ValueCapsScratch::kCapacity);

  EXPECT_TRUE(platform.FreePreparsedData(preparsed));
  // Released data is never handed to the system again.
  EXPECT_FALSE(platform.GetCaps(preparsed, caps));
  EXPECT_EQ(platform.LastError(), kInvalidParameter);
  EXPECT_FALSE(platform.FreePreparsedData(preparsed));
  EXPECT_TRUE(platform.CloseHandle(device));
}

// Values that name nothing open. Given to the system, some would wait on the
// process itself or follow a wild pointer.
TEST(Win32Platform, ValuesNamingNothingFailWithACode) {
  struct Case {
    const char* call;
    std::uint32_t code;
    std::function<bool(Win32Platform&, std::intptr_t)> run;
  };
  const Guid hid{0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};
  const std::vector<Case> cases = {
      {"EnumDeviceInterfaces", kInvalidHandleCode,
       [&](Win32Platform& p, std::intptr_t v) {
         InterfaceData data;
         data.cbSize = 28;
         return p.EnumDeviceInterfaces(v, hid, 0, data);
       }},
      {"GetDeviceInterfaceDetail", kInvalidHandleCode,
       [](Win32Platform& p, std::intptr_t v) {
         std::uint32_t required = 0;
         return p.GetDeviceInterfaceDetail(v, InterfaceData{}, {}, required);
       }},
      {"DestroyDeviceInfoList", kInvalidHandleCode,
       [](Win32Platform& p, std::intptr_t v) { return p.DestroyDeviceInfoList(v); }},
      {"GetCaps", kInvalidParameter,
       [](Win32Platform& p, std::intptr_t v) {
         Caps caps;
         return p.GetCaps(v, caps);
       }},
      {"GetInputValueCaps", kInvalidParameter,
       [](Win32Platform& p, std::intptr_t v) {
         ValueCapsScratch scratch;
         std::uint16_t count = 1;
         return p.GetInputValueCaps(v, scratch, count);
       }},
      {"FreePreparsedData", kInvalidParameter,
       [](Win32Platform& p, std::intptr_t v) { return p.FreePreparsedData(v); }},
  };
  const std::vector<Case> handleCases = {
      {"GetAttributes", kInvalidHandleCode,
       [](Win32Platform& p, Handle h) {
         Attributes a;
         return p.GetAttributes(h, a);
       }},
      {"GetPreparsedData", kInvalidHandleCode,
       [](Win32Platform& p, Handle h) {
         std::intptr_t preparsed = 0;
         return p.GetPreparsedData(h, preparsed);
       }},
      {"WriteFile", kInvalidHandleCode,
       [](Win32Platform& p, Handle h) {
         std::uint32_t written = 0;
         const std::uint8_t report[8] = {1};
         return p.WriteFile(h, report, written);
       }},
      {"ReadFile", kInvalidHandleCode,
       [](Win32Platform& p, Handle h) {
         std::uint8_t buffer[8];
         std::uint32_t read = 0;
         Overlapped overlapped;
         return p.ReadFile(h, buffer, read, overlapped);
       }},
      {"WaitForSingleObject", kInvalidHandleCode,
       [](Win32Platform& p, Handle h) { return p.WaitForSingleObject(h, 0) != kWaitFailed; }},
      {"CancelIo", kInvalidHandleCode, [](Win32Platform& p, Handle h) { return p.CancelIo(h); }},
      {"ResetEvent", kInvalidHandleCode,
       [](Win32Platform& p, Handle h) { return p.ResetEvent(h); }},
      {"CloseHandle", kInvalidHandleCode,
       [](Win32Platform& p, Handle h) { return p.CloseHandle(h); }},
  };

  Win32Platform platform;
  // Made up, as a stale or corrupted value would be.
  const std::intptr_t wild = 0x5A5A50;
  for (const auto& c : cases)
    for (const std::intptr_t value : {std::intptr_t{0}, std::intptr_t{-1}, wild}) {
      EXPECT_FALSE(c.run(platform, value)) << c.call << " " << value;
      EXPECT_EQ(platform.LastError(), c.code) << c.call << " " << value;
    }
  for (const auto& c : handleCases)
    for (const Handle value : {kNoHandle, kInvalidHandle}) {
      EXPECT_FALSE(c.run(platform, value)) << c.call << " " << value;
      EXPECT_EQ(platform.LastError(), c.code) << c.call << " " << value;
    }
}

TEST(Win32Platform, SystemTextEndsInALineBreakAndNeedsRoomForItsZero) {
  Win32Platform platform;
  // Leaves the recorded code alone.
  platform.CloseHandle(kNoHandle);
  std::vector<char> buffer(128, 'x');
  const std::uint32_t n = platform.FormatSystemMessage(kInsufficientBuffer, buffer);
  ASSERT_GT(n, 2u);
  EXPECT_EQ(platform.LastError(), kInvalidHandleCode);
  const std::string text(buffer.data(), n);
  EXPECT_EQ(text.substr(n - 2), "\r\n");
  EXPECT_EQ(buffer[n], '\0');

  std::vector<char> exact(n, 'x');  // no room for the zero
  EXPECT_EQ(platform.FormatSystemMessage(kInsufficientBuffer, exact), 0u);
  EXPECT_EQ(platform.FormatSystemMessage(kInsufficientBuffer, {}), 0u);
}

}  // namespace
}  // namespace ql::hidlink::win32
