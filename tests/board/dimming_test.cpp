#include "board/dimming.h"

#include <gtest/gtest.h>

#include "tests/support/sim_link.h"

namespace ql::board {
namespace {

using hidlink::sim::Scenario;
using Bytes = std::vector<std::uint8_t>;
using testing::CountOf;
using testing::SimLink;

TEST(SendDimmingLevel, EachLevelBecomesOneReport) {
  const std::pair<std::int16_t, Bytes> cases[] = {
      {12, {0x01, 0x01, 0x06, 0, 0, 0, 0, 0}},  {0, {0x01, 0x01, 0x00, 0, 0, 0, 0, 0}},
      {1, {0x01, 0x01, 0x10, 0, 0, 0, 0, 0}},   {10, {0x01, 0x01, 0x0A, 0, 0, 0, 0, 0}},
      {21, {0x01, 0x01, 0x15, 0, 0, 0, 0, 0}},  {31, {0x01, 0x01, 0x1F, 0, 0, 0, 0, 0}},
      {32, {0x01, 0x01, 0x00, 0, 0, 0, 0, 0}},  {33, {0x01, 0x01, 0x10, 0, 0, 0, 0, 0}},
      {255, {0x01, 0x01, 0x1F, 0, 0, 0, 0, 0}},
  };
  for (const auto& [level, report] : cases) {
    SimLink s;
    SendDimmingLevel(s.link, s.messages, level);
    ASSERT_EQ(s.Received().size(), 1u) << level;
    EXPECT_EQ(s.Received()[0], report) << level;
    EXPECT_TRUE(s.messages.shown.empty());
  }
}

TEST(SendDimmingLevel, SecondSendWritesWithoutSearching) {
  SimLink s;
  SendDimmingLevel(s.link, s.messages, 12);
  const auto mark = s.Mark();
  SendDimmingLevel(s.link, s.messages, 5);
  const auto lines = s.LinesSince(mark);
  EXPECT_EQ(CountOf(lines, "GetHidGuid"), 0u);
  ASSERT_EQ(lines.size(), 11u);  // the write's lines only
  EXPECT_EQ(lines[0], " OutputReportByteLength = 8");
  EXPECT_EQ(s.Received().back(), (Bytes{1, 1, 0x14, 0, 0, 0, 0, 0}));
  EXPECT_EQ(s.sim->Board().DimmingLevel(), 5);
}

TEST(SendDimmingLevel, MissingBoardIsReportedOncePerSendAndNothingIsWritten) {
  for (Scenario scenario : {Scenario::kAbsent, Scenario::kNone}) {
    SimLink s(scenario);
    for (int send = 1; send <= 3; ++send) {
      const auto mark = s.Mark();
      SendDimmingLevel(s.link, s.messages, 12);
      const auto lines = s.LinesSince(mark);
      EXPECT_EQ(CountOf(lines, "GetHidGuid"), 1u) << "each send searches once";
      EXPECT_EQ(lines.back(), " Device not found.");
      EXPECT_EQ(CountOf(lines, " Report Data:"), 0u);
      ASSERT_EQ(s.messages.shown.size(), static_cast<std::size_t>(send));
      EXPECT_EQ(s.messages.shown.back(),
                "Communication with Interface Board Failed. Please resert the interface board and "
                "try again.");
    }
    EXPECT_FALSE(s.link.MyDeviceDetected);
  }
}

TEST(SendDimmingLevel, FailedWriteClosesTheLinkAndTellsTheOperator) {
  SimLink s;
  SendDimmingLevel(s.link, s.messages, 12);
  s.sim->FailNextWrite();
  const auto mark = s.Mark();
  SendDimmingLevel(s.link, s.messages, 13);
  const auto lines = s.LinesSince(mark);
  EXPECT_EQ(CountOf(lines, " NumberOfBytesWritten = 0"), 1u);  // the write is still traced
  EXPECT_EQ(s.messages.shown.size(), 1u);
  EXPECT_FALSE(s.link.MyDeviceDetected);
  EXPECT_FALSE(hidlink::IsOpenHandle(s.link.HIDHandle));

  // The next send searches again and reaches the board.
  const auto mark2 = s.Mark();
  SendDimmingLevel(s.link, s.messages, 13);
  EXPECT_EQ(CountOf(s.LinesSince(mark2), "GetHidGuid"), 1u);
  EXPECT_EQ(s.sim->Board().DimmingLevel(), 13);
  EXPECT_EQ(s.messages.shown.size(), 1u);
}

TEST(SendDimmingLevel, UnplugThenReplugReachesTheBoardAgain) {
  SimLink s;
  SendDimmingLevel(s.link, s.messages, 3);
  s.sim->Unplug();
  SendDimmingLevel(s.link, s.messages, 4);  // write fails on the dead handle
  SendDimmingLevel(s.link, s.messages, 5);  // search finds nothing
  EXPECT_EQ(s.messages.shown.size(), 2u);
  s.sim->Replug();
  SendDimmingLevel(s.link, s.messages, 6);
  EXPECT_EQ(s.messages.shown.size(), 2u);
  EXPECT_EQ(s.sim->Board().DimmingLevel(), 6);
  EXPECT_EQ(s.Received().size(), 2u);
}

TEST(SendDimmingLevel, LevelsThatDoNotFitAByteAreRefusedWithoutAnyEffect) {
  for (std::int16_t level :
       {std::int16_t{-1}, std::int16_t{-32768}, std::int16_t{256}, std::int16_t{32767}}) {
    SimLink s;
    SendDimmingLevel(s.link, s.messages, level);
    EXPECT_TRUE(s.link.List().empty()) << level;
    EXPECT_TRUE(s.Received().empty());
    EXPECT_TRUE(s.messages.shown.empty());
    EXPECT_FALSE(s.link.MyDeviceDetected);
  }
}

}  // namespace
}  // namespace ql::board
