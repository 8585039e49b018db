// The Win32 platform against the system's HID services (under Wine, its
// virtual mouse and keyboard, in varying number), values the system would take
// on trust, and overlapped reads. The ql8810.exe runs check the search and the
// attributes.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "hidlink/win32/win32_platform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "hidlink/interface_list.h"

namespace ql::hidlink::win32 {
namespace {

constexpr std::uint32_t kInvalidHandleCode = 6;
constexpr std::uint32_t kInvalidParameter = 87;  // for what the platform did not hand out
constexpr std::uint32_t kInsufficientBuffer = 122;
constexpr std::uint32_t kIoPending = 997;

TEST(Win32Platform, ReadsThePreparsedDataOfAPresentInterfaceAndFreesItOnce) {
  Win32Platform platform;
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
  std::string text;
  FAILS(kInvalidHandleCode, noHandle, p.GetDeviceString(v, DeviceString::kSerialNumber, text));
  FAILS(kInvalidHandleCode, anyValue, p.GetDeviceLocation(v, data, text));
  FAILS(kInvalidParameter, {live}, p.GetDeviceLocation(v, data, text));
#undef FAILS
}

TEST(Win32Platform, DeviceWatchStartsAndAQuietWaitEndsWithoutAChange) {
  Win32Platform p;
  EXPECT_FALSE(p.WaitForDeviceChange(0));
  EXPECT_EQ(p.LastError(), 0u) << "device notifications were refused";
  EXPECT_FALSE(p.WaitForDeviceChange(100));
  EXPECT_EQ(p.LastError(), 0u);
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

// The overlapped read, its time-out and its cancel, on a named pipe standing
// in for the board.
constexpr std::array<std::uint8_t, 8> kUntouched = {0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
constexpr std::array<std::uint8_t, 8> kReport = {3, 0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70};

// The board's end of a named pipe that the platform opens by its path, as it
// opens a HID device.
struct Board {
  static inline int serial = 0;
  std::string path = "\\\\.\\pipe\\ql8810-test-" + std::to_string(::GetCurrentProcessId()) + "-" +
                     std::to_string(++serial);
  HANDLE pipe =
      ::CreateNamedPipeA(path.c_str(), PIPE_ACCESS_DUPLEX,
                         PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE, 1, 256, 256, 0, nullptr);
  ~Board() { ::CloseHandle(pipe); }
  bool Send(std::span<const std::uint8_t> report) {
    DWORD n = 0;  // a message goes whole or not at all
    return ::WriteFile(pipe, report.data(), static_cast<DWORD>(report.size()), &n, nullptr);
  }
  std::string Receive() {
    char buffer[256];
    DWORD n = 0;
    return ::ReadFile(pipe, buffer, sizeof(buffer), &n, nullptr) ? std::string(buffer, n) : "";
  }
};

class OnPipe : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(board_.pipe, INVALID_HANDLE_VALUE);
    device_ = p_.OpenDevice(board_.path, OpenMode::kOverlappedRead);
    ASSERT_TRUE(IsOpenHandle(device_)) << p_.LastError();
    event_ = p_.CreateReadEvent();
    ASSERT_TRUE(IsOpenHandle(event_)) << p_.LastError();
    overlapped_.hEvent = event_;
  }
  bool Signalled() { return p_.WaitForSingleObject(event_, 0) == kWaitObject0; }
  // Starts a read that has to wait for its report; the event, created
  // signalled, is reset by the system.
  void StartPendingRead() {
    std::uint32_t bytesRead = 99;
    ASSERT_FALSE(p_.ReadFile(device_, buffer_, bytesRead, overlapped_));
    ASSERT_EQ(p_.LastError(), kIoPending);
    EXPECT_EQ(bytesRead, 0u);
    EXPECT_FALSE(Signalled());
  }
  Board board_;
  // Before the platform, which waits out a pending request when it goes.
  std::array<std::uint8_t, 8> buffer_ = kUntouched;
  Win32Platform p_;
  Handle device_ = kNoHandle;
  Handle event_ = kNoHandle;
  Overlapped overlapped_;
};

TEST_F(OnPipe, TimesOutThenCancelKeepsTheLateReportOutOfTheBuffer) {
  StartPendingRead();
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(p_.WaitForSingleObject(event_, 100), kWaitTimeout);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(90));

  EXPECT_TRUE(p_.CancelIo(device_));
  ASSERT_TRUE(board_.Send(kReport));
  EXPECT_EQ(buffer_, kUntouched);
  // The cancelled request may have signalled the event after the wait.
  EXPECT_TRUE(p_.ResetEvent(event_));
  EXPECT_FALSE(Signalled());

  // The report waits for the next request, which completes at once.
  std::uint32_t bytesRead = 0;
  EXPECT_TRUE(p_.ReadFile(device_, buffer_, bytesRead, overlapped_));
  EXPECT_EQ(bytesRead, 8u);
  EXPECT_EQ(buffer_, kReport);
  EXPECT_TRUE(Signalled());
}

TEST_F(OnPipe, ClosingTheDeviceDropsThePendingRequest) {
  StartPendingRead();
  EXPECT_TRUE(p_.CloseHandle(device_));
  board_.Send(kReport);  // no reader any more: may fail, must not land
  EXPECT_EQ(buffer_, kUntouched);
}

TEST_F(OnPipe, PendingRequestCompletesWhenTheReportArrives) {
  StartPendingRead();
  ASSERT_TRUE(board_.Send(kReport));
  EXPECT_EQ(p_.WaitForSingleObject(event_, 5000), kWaitObject0);
  EXPECT_EQ(buffer_, kReport);
  std::uint32_t transferred = 0;
  EXPECT_TRUE(p_.GetOverlappedResult(device_, overlapped_, transferred));
  EXPECT_EQ(transferred, 8u);
}

// A board that stops taking reports: the pipe's buffer fills and the next
// write waits. It must end, as a failed write, and the board must be
// reachable again once it takes reports.
TEST_F(OnPipe, WriteTheBoardDoesNotTakeFailsWithATimeOutAndTheNextOneGoesThrough) {
  int taken = 0;
  std::uint32_t written = 0;
  while (taken < 1000 && p_.WriteFile(device_, kReport, written)) ++taken;
  ASSERT_LT(taken, 1000) << "the pipe never filled";
  EXPECT_EQ(p_.LastError(), static_cast<std::uint32_t>(ERROR_TIMEOUT));
  EXPECT_EQ(written, 0u);

  const std::string report(kReport.begin(), kReport.end());
  for (int i = 0; i < taken; ++i) EXPECT_EQ(board_.Receive(), report);
  EXPECT_TRUE(p_.WriteFile(device_, kReport, written)) << p_.LastError();
  EXPECT_EQ(written, 8u);
}

}  // namespace
}  // namespace ql::hidlink::win32
