// What the link hands to the platform: never a handle twice, never a released
// value, never a request larger than its buffer.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "board/dimming.h"
#include "hidlink/link.h"
#include "tests/support/recording_platform.h"
#include "tests/support/sim_link.h"

namespace ql::hidlink {
namespace {

using testing::RecordingPlatform;

struct RecordedLink {
  RecordedLink() : platform(new RecordingPlatform), link(std::unique_ptr<Platform>(platform)) {
    link.LoadReportConstants();
  }
  RecordingPlatform* platform;
  Link link;
};

// Open handles never appear twice among the closes.
void ExpectNoHandleClosedTwice(const std::vector<Handle>& closed) {
  std::set<Handle> seen;
  for (Handle h : closed) {
    if (!IsOpenHandle(h)) continue;
    EXPECT_TRUE(seen.insert(h).second) << "handle " << h << " closed twice";
  }
}

TEST(LinkPlatformUse, HandlesAreClosedAtMostOnceThroughAWholeRun) {
  RecordedLink r;
  testing::RecordedMessages messages;
  board::SendDimmingLevel(r.link, messages, 1);
  r.platform->Unplug();
  board::SendDimmingLevel(r.link, messages, 2);  // write fails, link closed
  r.platform->Replug();
  board::SendDimmingLevel(r.link, messages, 3);  // searched again
  std::vector<std::uint8_t> data;
  r.platform->FailNextWait();
  r.link.ReadUSBReport(data, 10);  // failed wait closes
  r.link.Shutdown();
  r.link.Shutdown();
  ExpectNoHandleClosedTwice(r.platform->closed);
}

TEST(LinkPlatformUse, SearchClosesHandlesAFailedReadLeftOpen) {
  RecordedLink r;
  ASSERT_TRUE(r.link.FindTheHid());
  const Handle oldWrite = r.link.HIDHandle;
  const Handle oldRead = r.link.ReadHandle;
  // A reader that clears the flag but keeps the handles, as a failed read in
  // the developer's window may.
  r.link.MyDeviceDetected = false;
  ASSERT_TRUE(r.link.FindTheHid());
  const auto& closed = r.platform->closed;
  EXPECT_NE(std::find(closed.begin(), closed.end(), oldWrite), closed.end());
  EXPECT_NE(std::find(closed.begin(), closed.end(), oldRead), closed.end());
  EXPECT_NE(r.link.HIDHandle, oldWrite);
  ExpectNoHandleClosedTwice(closed);
}

TEST(LinkPlatformUse, ValueCapabilityRequestNeverExceedsTheScratchBuffer) {
  for (std::uint16_t reported : {std::uint16_t{1}, std::uint16_t{14}, std::uint16_t{15},
                                 std::uint16_t{400}, std::uint16_t{65535}}) {
    RecordedLink r;
    r.platform->reportedInputValueCaps = reported;
    ASSERT_TRUE(r.link.FindTheHid());
    ASSERT_EQ(r.platform->valueCapsRequested.size(), 1u);
    EXPECT_EQ(r.platform->valueCapsRequested[0], std::min<std::uint16_t>(reported, 14));
    // The record keeps what the device declared.
    EXPECT_EQ(r.link.Capabilities.NumberInputValueCaps, reported);
  }
}

TEST(LinkPlatformUse, FailedPreparsedDataIsNeverPassedOnAndTheTraceStaysWhole) {
  RecordedLink r;
  r.platform->failPreparsed = true;
  ASSERT_TRUE(r.link.FindTheHid());
  for (std::intptr_t p : r.platform->preparsedUsed) EXPECT_EQ(p, 0);
  const auto lines = r.link.List().Lines();
  for (const char* call :
       {"HidD_GetPreparsedData", "HidP_GetCaps", "HidP_GetValueCaps", "HidD_FreePreparsedData"})
    EXPECT_EQ(std::count(lines.begin(), lines.end(), call), 1) << call;
  // Nothing was learnt: the lengths stay zero, and writes are refused.
  EXPECT_EQ(r.link.Capabilities.OutputReportByteLength, 0);
  EXPECT_EQ(r.link.WriteReport(std::vector<std::uint8_t>{1, 1, 6, 0, 0, 0, 0, 0}), 0);
  EXPECT_TRUE(r.platform->Board().ReceivedReports().empty());
}

TEST(LinkPlatformUse, EachPreparsedValueIsFreedOnceAndNotUsedAfterwards) {
  RecordedLink r;
  ASSERT_TRUE(r.link.FindTheHid());
  r.link.CloseTheHid();
  ASSERT_TRUE(r.link.FindTheHid());
  const auto& freed = r.platform->preparsedFreed;
  ASSERT_EQ(freed.size(), 2u);
  EXPECT_NE(freed[0], freed[1]);
  // The second query used only its own value.
  EXPECT_EQ(r.platform->preparsedUsed.back(), freed[1]);
  EXPECT_EQ(
      std::count(r.platform->preparsedUsed.begin(), r.platform->preparsedUsed.end(), freed[0]), 2);
}

}  // namespace
}  // namespace ql::hidlink
