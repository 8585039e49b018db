#include "board/zeb.h"

#include <gtest/gtest.h>

#include <array>

#include "tests/support/sim_link.h"

namespace ql::board {
namespace {

using hidlink::sim::Scenario;
using Bytes = std::vector<std::uint8_t>;
using testing::SimLink;

TEST(SendBreakLong, WritesTheBreakReportAndTellsOfAFailureUnlessSilent) {
  SimLink s;
  EXPECT_EQ(SendBreakLong(s.link, s.messages, 0), 1);
  EXPECT_EQ(s.LastReceived(), (Bytes{0x01, 0x14, 0xF0, 0, 0, 0, 0, 0}));
  EXPECT_TRUE(s.messages.shown.empty());
  for (const std::int16_t silent : {0, 1, -7}) {
    SimLink absent(Scenario::kAbsent);
    EXPECT_EQ(SendBreakLong(absent.link, absent.messages, silent), 0);
    EXPECT_EQ(absent.messages.shown,
              silent ? std::vector<std::string>{}
                     : std::vector<std::string>{"Write to USB bus failed. Please try again."})
        << silent;
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
  const std::uint8_t zeros[4] = {};
  const std::span<const std::uint8_t> two(zeros, 2), four(zeros);
  SimLink s;
  EXPECT_EQ(SendZebCommand(s.link, -1, two, four), 0);
  EXPECT_EQ(SendZebCommand(s.link, 256, two, four), 0);
  EXPECT_EQ(SendZebCommand(s.link, 20, two.first(1), four), 0);
  EXPECT_EQ(SendZebCommand(s.link, 20, two, four.first(3)), 0);
  EXPECT_EQ(SendZebCommand(s.link, 20, {}, {}), 0);
  EXPECT_TRUE(s.list.empty());
  EXPECT_EQ(s.firmware.ReceivedCount(), 0u);
}

}  // namespace
}  // namespace ql::board
