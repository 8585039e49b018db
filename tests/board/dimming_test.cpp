#include "board/dimming.h"

#include <gtest/gtest.h>

#include "tests/support/sim_link.h"

namespace ql::board {
namespace {

using hidlink::sim::Scenario;
using Bytes = std::vector<std::uint8_t>;
using testing::CountOf;
using testing::SimLink;

// The reversal itself is the bit routines' table; here the whole report, and
// only the first send searches.
TEST(SendDimmingLevel, EachLevelBecomesOneReport) {
  const std::pair<std::int16_t, Bytes> cases[] = {
      {12, {0x01, 0x01, 0x06, 0, 0, 0, 0, 0}},
      {0, {0x01, 0x01, 0x00, 0, 0, 0, 0, 0}},
      {33, {0x01, 0x01, 0x10, 0, 0, 0, 0, 0}},
  };
  SimLink s;
  for (const auto& [level, report] : cases) {
    const auto mark = s.Mark();
    EXPECT_EQ(SendDimmingLevel(s.link, s.messages, level), hidlink::SendOutcome::kSent);
    EXPECT_EQ(s.LastReceived(), report) << level;
    EXPECT_EQ(CountOf(s.LinesSince(mark), "GetHidGuid"), level == 12 ? 1u : 0u) << level;
  }
  EXPECT_EQ(s.firmware.ReceivedCount(), 3u);
  EXPECT_TRUE(s.messages.shown.empty());
}

TEST(SendDimmingLevel, MissingBoardIsReportedOncePerSendAndNothingIsWritten) {
  for (Scenario scenario : {Scenario::kAbsent, Scenario::kNone}) {
    SimLink s(scenario);
    for (int send = 1; send <= 2; ++send) {
      const auto mark = s.Mark();
      EXPECT_EQ(SendDimmingLevel(s.link, s.messages, 12), hidlink::SendOutcome::kBoardNotFound);
      const auto lines = s.LinesSince(mark);
      EXPECT_EQ(CountOf(lines, "GetHidGuid"), 1u) << "each send searches once";
      EXPECT_EQ(lines.back(), " Device not found.");
      EXPECT_EQ(CountOf(lines, " Report Data:"), 0u);
      ASSERT_EQ(s.messages.shown.size(), static_cast<std::size_t>(send));
      EXPECT_EQ(s.messages.shown.back(),
                "Communication with Interface Board Failed. Please resert the interface board and "
                "try again.");
    }
    EXPECT_FALSE(s.link.MyDeviceDetected());
  }
}

// A write that fails on an open board is tried once more after a new search:
// the board may have been unplugged and plugged in again, which leaves the
// old handle dead (see ThousandReplugsLoseNothing). Only when that fails too
// is the operator told, once.
TEST(SendDimmingLevel, FailedWriteSearchesOnceMoreBeforeTellingTheOperator) {
  for (const bool unplugged : {false, true}) {  // else the write fails once
    SimLink s;
    SendDimmingLevel(s.link, s.messages, 12);
    unplugged ? s.pc.Unplug() : s.pc.FailNextWrite();
    const auto mark = s.Mark();
    EXPECT_EQ(SendDimmingLevel(s.link, s.messages, 13),
              unplugged ? hidlink::SendOutcome::kBoardNotFound : hidlink::SendOutcome::kSent);
    const auto lines = s.LinesSince(mark);
    EXPECT_EQ(CountOf(lines, "GetHidGuid"), 1u) << unplugged;
    EXPECT_EQ(CountOf(lines, " NumberOfBytesWritten = 0"), 1u) << unplugged;  // still traced
    EXPECT_EQ(s.messages.shown.size(), unplugged ? 1u : 0u) << unplugged;
    EXPECT_EQ(s.firmware.DimmingLevel(), unplugged ? 12 : 13) << unplugged;
    EXPECT_EQ(s.link.MyDeviceDetected(), !unplugged) << unplugged;
  }
}

// The board goes away and comes back between every two reports it takes: no
// send is lost, no message shown, and no device is left open.
TEST(SendDimmingLevel, ThousandReplugsLoseNothing) {
  SimLink s(hidlink::sim::Scenario::kReplug);
  for (int i = 0; i < 1000; ++i) {
    ASSERT_EQ(SendDimmingLevel(s.link, s.messages, static_cast<std::int16_t>(i & 31)),
              hidlink::SendOutcome::kSent)
        << i;
    ASSERT_EQ(s.firmware.DimmingLevel(), i & 31);
  }
  EXPECT_EQ(s.firmware.ReceivedCount(), 1000u);
  EXPECT_TRUE(s.messages.shown.empty());
  EXPECT_EQ(s.pc.OpenDevices(), 2);  // the write and read handles of now
  s.link.Shutdown();
  EXPECT_EQ(s.pc.OpenDevices(), 0);
}

TEST(SendDimmingLevel, LevelsThatDoNotFitAByteAreRefusedWithoutAnyEffect) {
  for (std::int16_t level :
       {std::int16_t{-1}, std::int16_t{-32768}, std::int16_t{256}, std::int16_t{32767}}) {
    SimLink s;
    EXPECT_EQ(SendDimmingLevel(s.link, s.messages, level), hidlink::SendOutcome::kRefused);
    EXPECT_TRUE(s.list.empty()) << level;
    EXPECT_EQ(s.firmware.ReceivedCount(), 0u);
    EXPECT_TRUE(s.messages.shown.empty());
    EXPECT_FALSE(s.link.MyDeviceDetected());
  }
}

}  // namespace
}  // namespace ql::board
