// The overlapped read, its time-out and its cancel against the system's own
// calls, on a named pipe standing in for the board.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <memory>
#include <vector>

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

}  // namespace
}  // namespace ql::hidlink::win32
