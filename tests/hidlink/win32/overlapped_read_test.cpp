// The overlapped read, its time-out and its cancel against the system's own
// calls, on a named pipe standing in for the board: first the platform's calls
// alone, then the link's read on them with the system's codes in its trace.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <memory>
#include <vector>

#include "hidlink/link.h"
#include "hidlink/text_helpers.h"
#include "hidlink/win32/win32_platform.h"

namespace ql::hidlink::win32 {
namespace {

constexpr std::uint32_t kIoPending = 997;
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
    link_.LoadReportConstants();
    device_ = p_.OpenDevice(board_.path, OpenMode::kOverlappedRead);
    ASSERT_TRUE(IsOpenHandle(device_)) << p_.LastError();
    event_ = p_.CreateReadEvent();
    ASSERT_TRUE(IsOpenHandle(event_)) << p_.LastError();
    link_.ReadOverlapped.hEvent = event_;
  }
  bool Signalled() { return p_.WaitForSingleObject(event_, 0) == kWaitObject0; }
  // Starts a read that has to wait for its report; the event, created
  // signalled, is reset by the system.
  void StartPendingRead() {
    std::uint32_t bytesRead = 99;
    ASSERT_FALSE(p_.ReadFile(device_, buffer_, bytesRead, link_.ReadOverlapped));
    ASSERT_EQ(p_.LastError(), kIoPending);
    EXPECT_EQ(bytesRead, 0u);
    EXPECT_FALSE(Signalled());
  }
  std::vector<std::string> TraceOfReadWithoutReport() {
    const std::size_t from = link_.List().size();
    std::vector<std::uint8_t> data;
    EXPECT_EQ(link_.ReadUSBReport(data, 30), 0);
    return link_.List().LinesFrom(from);
  }
  std::string ResultLine(std::uint32_t code) { return "  Result = " + SystemErrorText(p_, code); }

  Board board_;
  Link link_{std::make_unique<Win32Platform>()};
  Platform& p_ = link_.platform();
  Handle& device_ = link_.ReadHandle;
  Handle& event_ = link_.ReadEvent;
  std::array<std::uint8_t, 8> buffer_ = kUntouched;
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
  EXPECT_TRUE(p_.ReadFile(device_, buffer_, bytesRead, link_.ReadOverlapped));
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
  EXPECT_TRUE(p_.GetOverlappedResult(device_, link_.ReadOverlapped, transferred));
  EXPECT_EQ(transferred, 8u);
}

TEST_F(OnPipe, LinkTracesTheSystemsCodesOfATimeOutAndOfAFailedWait) {
  auto trace = TraceOfReadWithoutReport();
  ASSERT_EQ(trace.size(), 16u) << ::testing::PrintToString(trace);
  EXPECT_EQ(trace[2], ResultLine(kIoPending));
  EXPECT_EQ(trace[7], "Readfile timeout");

  // The request signals the real event, but the wait is made on none.
  event_ = kNoHandle;
  trace = TraceOfReadWithoutReport();
  ASSERT_GE(trace.size(), 8u) << ::testing::PrintToString(trace);
  EXPECT_EQ(trace[6], ResultLine(6));
  EXPECT_EQ(trace[7], "Readfile undefined error");
}

TEST_F(OnPipe, LinkWritesTheDeclaredLengthInOneWrite) {
  Board board;
  link_.HIDHandle = p_.OpenDevice(board.path, OpenMode::kWrite);
  link_.Capabilities.OutputReportByteLength = 8;
  EXPECT_EQ(link_.WriteReport(std::vector<std::uint8_t>{1, 1, 6, 0, 0, 0, 0, 0, 0xFF}), 1);
  EXPECT_EQ(board.Receive(), std::string("\x01\x01\x06\0\0\0\0\0", 8));
}

}  // namespace
}  // namespace ql::hidlink::win32
