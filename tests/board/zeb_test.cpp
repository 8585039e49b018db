#include "board/zeb.h"

#include <gtest/gtest.h>

#include <array>

#include "tests/support/sim_link.h"

namespace ql::board {
namespace {

using hidlink::sim::Scenario;
using Bytes = std::vector<std::uint8_t>;
using testing::SimLink;

TEST(SendBreakLong, WritesTheBreakReport) {
  SimLink s;
  EXPECT_EQ(SendBreakLong(s.link, s.messages, 0), 1);
  ASSERT_EQ(s.firmware.ReceivedCount(), 1u);
  EXPECT_EQ(s.LastReceived(), (Bytes{0x01, 0x14, 0xF0, 0, 0, 0, 0, 0}));
  EXPECT_TRUE(s.messages.shown.empty());
}

TEST(SendBreakLong, FailureIsShownUnlessSilent) {
  struct Case {
    Scenario scenario;
    bool failWrite;
    std::int16_t silent;
    std::size_t messages;
  };
  const Case cases[] = {
      {Scenario::kAbsent, false, 0, 1},  {Scenario::kAbsent, false, 1, 0},
      {Scenario::kAbsent, false, -7, 0}, {Scenario::kBoard, true, 0, 1},
      {Scenario::kBoard, true, 1, 0},
  };
  for (const Case& c : cases) {
    SimLink s(c.scenario);
    if (c.failWrite) {
      // Fails on the open board, and again after the new search.
      ASSERT_TRUE(s.link.OpenTheHidOnDemand());
      s.pc.Unplug();
    }
    EXPECT_EQ(SendBreakLong(s.link, s.messages, c.silent), 0);
    ASSERT_EQ(s.messages.shown.size(), c.messages) << c.silent;
    if (c.messages) {
      EXPECT_EQ(s.messages.shown[0], "Write to USB bus failed. Please try again.");
    }
    EXPECT_EQ(s.firmware.ReceivedCount(), 0u);
    EXPECT_FALSE(s.link.MyDeviceDetected());
  }
}

TEST(SendZebCommand, PutsCodeAndBothArraysInPlace) {
  SimLink s;
  const std::array<std::uint8_t, 2> first{240, 0};
  const std::array<std::uint8_t, 4> second{1, 2, 3, 4};
  EXPECT_EQ(SendZebCommand(s.link, 20, first, second), 1);
  EXPECT_EQ(s.LastReceived(), (Bytes{0x01, 0x14, 0xF0, 0x00, 0x01, 0x02, 0x03, 0x04}));
  // Longer arrays: only the elements that have a place are sent.
  const std::array<std::uint8_t, 5> longFirst{7, 8, 9, 9, 9};
  const std::array<std::uint8_t, 6> longSecond{1, 1, 1, 1, 9, 9};
  EXPECT_EQ(SendZebCommand(s.link, 255, longFirst, longSecond), 1);
  EXPECT_EQ(s.LastReceived(), (Bytes{0x01, 0xFF, 7, 8, 1, 1, 1, 1}));
  EXPECT_TRUE(s.messages.shown.empty());
}

TEST(SendZebCommand, RefusesWhatDoesNotFitTheReport) {
  const std::array<std::uint8_t, 2> two{};
  const std::array<std::uint8_t, 1> one{};
  const std::array<std::uint8_t, 4> four{};
  const std::array<std::uint8_t, 3> three{};
  SimLink s;
  EXPECT_EQ(SendZebCommand(s.link, -1, two, four), 0);
  EXPECT_EQ(SendZebCommand(s.link, 256, two, four), 0);
  EXPECT_EQ(SendZebCommand(s.link, 20, one, four), 0);
  EXPECT_EQ(SendZebCommand(s.link, 20, two, three), 0);
  EXPECT_EQ(SendZebCommand(s.link, 20, {}, {}), 0);
  EXPECT_TRUE(s.link.List().empty());
  EXPECT_EQ(s.firmware.ReceivedCount(), 0u);
}

}  // namespace
}  // namespace ql::board
