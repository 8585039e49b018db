// The HID test below the window. The first report and the auto-increment
// are checked through the diagnostic window.
#include "hidlink/hid_test.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "board/dimming.h"
#include "tests/support/sim_link.h"

namespace ql::hidlink {
namespace {

using ql::testing::SimLink;
using sim::Scenario;
using Bytes = std::vector<std::uint8_t>;

constexpr std::string_view kDate = "12/6/2026 8:20:00 PM";
const std::string kOk = "  Result = The operation completed successfully.";

// The board answers every report; nobody reads the answers to dimming
// reports. The test must show its own answer, not the oldest one queued.
TEST(RunHidTest, ReadsItsOwnAnswerAfterUnreadOnes) {
  SimLink bench;
  for (std::int16_t level : {12, 7, 31}) board::SendDimmingLevel(bench.link, bench.messages, level);
  HidTestBytes bytes{0x01, 0x40, false};
  const std::size_t mark = bench.Mark();
  const HidTestRun run = RunHidTest(bench.link, bytes, kDate);
  EXPECT_EQ(run.read.bytes, (Bytes{0x03, 0x40, 0x55, 0x56, 0x57, 0x58, 0x59, 0x55}));
  // Dropped once the board is open, right before the write.
  const auto lines = bench.LinesSince(mark);
  const auto flush = std::find(lines.begin(), lines.end(), "HidD_FlushQueue");
  ASSERT_NE(flush, lines.end());
  EXPECT_EQ(*(flush + 1), kOk);
  EXPECT_EQ(*(flush + 2), " OutputReportByteLength = 8");
  // Listed byte by byte, two digits each.
  EXPECT_EQ(std::vector(lines.end() - 13, lines.end() - 3),
            (std::vector<std::string>{" Report ID: 3", " Report Data:", " 03", " 40", " 55", " 56",
                                      " 57", " 58", " 59", " 55"}));
}

// Both end with the request cancelled before the handles close (a pending
// read would write into a released buffer), the board to be searched again
// and the zero buffer still listed.
TEST(ReadAndListReport, TimeOutAndFailedWaitCloseTheLink) {
  using enum Link::ReadOutcome;
  // The outcome and the lines that follow the wait's own.
  const std::vector<std::pair<Link::ReadOutcome, std::vector<std::string>>> cases = {
      {kTimedOut,
       {"Readfile timeout", "************ReadFile timeout*************", "CancelIO", "", "CancelIo",
        kOk}},
      {kFailed, {"Readfile undefined error", "", "CancelIo", kOk}},
  };
  for (auto [outcome, expected] : cases) {
    const bool mute = outcome == kTimedOut;
    SimLink bench(mute ? Scenario::kMute : Scenario::kBoard);
    ASSERT_TRUE(bench.link.OpenTheHidOnDemand());
    if (!mute) bench.pc.FailNextWait();
    const std::size_t mark = bench.Mark();

    EXPECT_EQ(bench.link.ReadAndListReport(kHidTestWaitMs).outcome, outcome);
    EXPECT_FALSE(bench.link.MyDeviceDetected()) << mute;
    EXPECT_EQ(bench.link.HIDHandle(), kNoHandle) << mute;
    EXPECT_EQ(bench.link.ReadHandle(), kNoHandle) << mute;
    EXPECT_EQ(bench.pc.OpenDevices(), 0) << mute;

    expected.insert(expected.end(),
                    {"", "CloseHandle (HIDHandle)", kOk, "", "CloseHandle (ReadHandle)", kOk,
                     " Report ID: 0", " Report Data:"});
    expected.insert(expected.end(), 8, " 00");
    expected.insert(expected.end(), {"", "ResetEvent", kOk});
    const auto lines = bench.LinesSince(mark);
    const auto wait = std::find(lines.begin(), lines.end(), "WaitForSingleObject");
    ASSERT_NE(wait, lines.end()) << mute;
    EXPECT_EQ(std::vector(wait + 2, lines.end()), expected) << mute;

    // The next run searches again and gets its answer (a mute board none).
    HidTestBytes bytes{0x01, 0x20, false};
    EXPECT_EQ(RunHidTest(bench.link, bytes, kDate).read.outcome, mute ? kTimedOut : kCompleted);
  }
}

}  // namespace
}  // namespace ql::hidlink
