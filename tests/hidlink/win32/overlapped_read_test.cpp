// The overlapped read, its time-out and its cancel against the system's own
// calls, on a named pipe standing in for the board.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "hidlink/link.h"
#include "hidlink/text_helpers.h"
#include "hidlink/win32/win32_platform.h"
#include "tests/hidlink/win32/pipe_device.h"

namespace ql::hidlink::win32 {
namespace {

using ::testing::Each;
using ::testing::ElementsAre;

constexpr std::uint32_t kIoPending = 997;
constexpr std::array<std::uint8_t, 8> kReport = {3, 0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70};

class OverlappedRead : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(pipe_.ok());
    device_ = platform_.OpenDevice(pipe_.path(), OpenMode::kOverlappedRead);
    ASSERT_TRUE(IsOpenHandle(device_)) << platform_.LastError();
    event_ = platform_.CreateReadEvent();
    ASSERT_TRUE(IsOpenHandle(event_)) << platform_.LastError();
    overlapped_.hEvent = event_;
    buffer_.fill(0xEE);
  }
  void TearDown() override {
    if (IsOpenHandle(device_)) platform_.CloseHandle(device_);
    platform_.CloseHandle(event_);
  }
  bool Signalled() { return platform_.WaitForSingleObject(event_, 0) == kWaitObject0; }
  // Starts a read that has to wait for its report.
  void StartPendingRead() {
    std::uint32_t bytesRead = 99;
    ASSERT_FALSE(platform_.ReadFile(device_, buffer_, bytesRead, overlapped_));
    ASSERT_EQ(platform_.LastError(), kIoPending);
    EXPECT_EQ(bytesRead, 0u);
    EXPECT_FALSE(Signalled());
  }

  PipeDevice pipe_;
  Win32Platform platform_;
  Handle device_ = kNoHandle;
  Handle event_ = kNoHandle;
  Overlapped overlapped_;
  std::array<std::uint8_t, 8> buffer_{};
};

TEST_F(OverlappedRead, TimesOutThenCancelKeepsTheLateReportOutOfTheBuffer) {
  StartPendingRead();
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(platform_.WaitForSingleObject(event_, 100), kWaitTimeout);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(90));

  EXPECT_TRUE(platform_.CancelIo(device_));
  ASSERT_TRUE(pipe_.Send(kReport));
  EXPECT_THAT(buffer_, Each(0xEE));
  EXPECT_TRUE(platform_.ResetEvent(event_));
  EXPECT_FALSE(Signalled());

  // The report waits for the next request, which completes at once.
  std::uint32_t bytesRead = 0;
  EXPECT_TRUE(platform_.ReadFile(device_, buffer_, bytesRead, overlapped_));
  EXPECT_EQ(bytesRead, 8u);
  EXPECT_EQ(buffer_, kReport);
  EXPECT_TRUE(Signalled());
}

TEST_F(OverlappedRead, PendingRequestCompletesWhenTheReportArrives) {
  StartPendingRead();
  ASSERT_TRUE(pipe_.Send(kReport));
  EXPECT_EQ(platform_.WaitForSingleObject(event_, 5000), kWaitObject0);
  EXPECT_EQ(buffer_, kReport);
  std::uint32_t transferred = 0;
  EXPECT_TRUE(platform_.GetOverlappedResult(device_, overlapped_, transferred));
  EXPECT_EQ(transferred, 8u);
}

TEST_F(OverlappedRead, ClosingTheDeviceDropsThePendingRequest) {
  StartPendingRead();
  EXPECT_TRUE(platform_.CloseHandle(device_));
  pipe_.Send(kReport);  // no reader any more: may fail, must not land
  EXPECT_THAT(buffer_, Each(0xEE));
  device_ = kNoHandle;
}

// The link's own read on the pipe: the trace and the outcomes with the
// system's answers.
class LinkOnPipe : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(pipe_.ok());
    link_.LoadReportConstants();
    Platform& platform = link_.platform();
    link_.ReadHandle = platform.OpenDevice(pipe_.path(), OpenMode::kOverlappedRead);
    ASSERT_TRUE(IsOpenHandle(link_.ReadHandle)) << platform.LastError();
    link_.ReadEvent = platform.CreateReadEvent();
    link_.ReadOverlapped.hEvent = link_.ReadEvent;
    link_.MyDeviceDetected = true;
  }
  std::vector<std::string> TraceOf(std::size_t from) const { return link_.List().LinesFrom(from); }
  std::string ResultLine(std::uint32_t code) {
    return "  Result = " + SystemErrorText(link_.platform(), code);
  }

  PipeDevice pipe_;
  Link link_{std::make_unique<Win32Platform>()};
};

TEST_F(LinkOnPipe, ReadTimesOutWithTheFullTraceAndLeavesTheLinkOpen) {
  std::vector<std::uint8_t> data(3, 7);
  const std::size_t before = link_.List().size();
  EXPECT_EQ(link_.ReadUSBReport(data, 30), 0);
  EXPECT_THAT(data, ElementsAre(0, 0, 0, 0, 0, 0, 0, 0, 0));
  EXPECT_TRUE(link_.MyDeviceDetected);

  const auto trace = TraceOf(before);
  ASSERT_EQ(trace.size(), 16u) << ::testing::PrintToString(trace);
  EXPECT_EQ(trace[1], "ReadFile");
  EXPECT_EQ(trace[2], ResultLine(kIoPending));
  EXPECT_EQ(trace[3], "waiting for ReadFile");
  EXPECT_EQ(trace[5], "WaitForSingleObject");
  EXPECT_THAT(
      std::vector(trace.begin() + 7, trace.begin() + 10),
      ElementsAre("Readfile timeout", "************ReadFile timeout*************", "CancelIO"));
  EXPECT_EQ(trace[11], "CancelIo");
  EXPECT_EQ(trace[14], "ResetEvent");
  EXPECT_NE(link_.platform().WaitForSingleObject(link_.ReadEvent, 0), kWaitObject0);
}

TEST_F(LinkOnPipe, ReadsAReportWaitingOrArrivingDuringTheWait) {
  std::vector<std::uint8_t> data;
  ASSERT_TRUE(pipe_.Send(kReport));
  EXPECT_EQ(link_.ReadUSBReport(data, 1000), 8);
  EXPECT_THAT(data, ElementsAre(3, 0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70, 0));

  const std::array<std::uint8_t, 8> later = {3, 1, 2, 3, 4, 5, 6, 7};
  std::thread board([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    pipe_.Send(later);
  });
  EXPECT_EQ(link_.ReadUSBReport(data, 5000), 8);
  board.join();
  EXPECT_THAT(data, ElementsAre(3, 1, 2, 3, 4, 5, 6, 7, 0));
  EXPECT_NE(link_.platform().WaitForSingleObject(link_.ReadEvent, 0), kWaitObject0);
}

TEST_F(LinkOnPipe, FailedWaitClosesTheLinkAndTheLateReportLandsNowhere) {
  // The request signals a real event, but the wait is made on none.
  link_.ReadEvent = kNoHandle;
  std::vector<std::uint8_t> data;
  const std::size_t before = link_.List().size();
  EXPECT_EQ(link_.ReadUSBReport(data, 30), 0);
  EXPECT_FALSE(link_.MyDeviceDetected);
  EXPECT_EQ(link_.ReadHandle, kNoHandle);
  pipe_.Send(kReport);
  EXPECT_THAT(data, Each(0));

  const auto trace = TraceOf(before);
  ASSERT_GE(trace.size(), 8u);
  EXPECT_EQ(trace[6], ResultLine(6));
  EXPECT_EQ(trace[7], "Readfile undefined error");
  link_.platform().CloseHandle(link_.ReadOverlapped.hEvent);
}

TEST_F(LinkOnPipe, WritesTheDeclaredLengthInOneWrite) {
  PipeDevice board;
  ASSERT_TRUE(board.ok());
  link_.HIDHandle = link_.platform().OpenDevice(board.path(), OpenMode::kWrite);
  link_.Capabilities.OutputReportByteLength = 8;
  const std::vector<std::uint8_t> levelTwelve = {1, 1, 6, 0, 0, 0, 0, 0, 0xFF};
  EXPECT_EQ(link_.WriteReport(levelTwelve), 1);
  EXPECT_EQ(board.Receive(), std::string("\x01\x01\x06\0\0\0\0\0", 8));
  link_.CloseTheHid();
}

}  // namespace
}  // namespace ql::hidlink::win32
