#include "board/utils.h"

#include <gtest/gtest.h>

#include "board/dimming.h"

namespace ql::board {
namespace {

TEST(TestBit, AnswersOneOrZeroForBitsInAByte) {
  struct Case {
    std::int16_t bit;
    std::uint8_t value;
    std::int16_t expected;
  };
  for (const Case& c : {Case{0, 1, 1}, Case{4, 16, 1}, Case{3, 16, 0}, Case{7, 0x80, 1},
                        Case{7, 0x7F, 0}, Case{0, 0, 0}, Case{-1, 1, 1}, Case{-32768, 0xFE, 0}})
    EXPECT_EQ(TestBit(c.bit, c.value), c.expected) << c.bit << " " << int{c.value};
}

TEST(SetBit, SetsOnlyTheAddressedBit) {
  struct Case {
    std::int16_t bit;
    std::uint8_t before;
    std::uint8_t after;
  };
  // An index of 0 or below addresses bit 0.
  for (const Case& c : {Case{2, 0, 4}, Case{2, 4, 4}, Case{0, 0, 1}, Case{7, 0x01, 0x81},
                        Case{5, 0xFF, 0xFF}, Case{-1, 0, 1}, Case{-32768, 0x10, 0x11}}) {
    std::uint8_t value = c.before;
    SetBit(c.bit, value);
    EXPECT_EQ(value, c.after) << c.bit;
  }
}

TEST(BitRoutines, RefuseIndicesPastTheByte) {
  for (std::int16_t bit : {std::int16_t{8}, std::int16_t{16}, std::int16_t{32767}}) {
    std::uint8_t value = 0x5A;
    SetBit(bit, value);
    EXPECT_EQ(value, 0x5A) << bit;
    EXPECT_EQ(TestBit(bit, 0xFF), 0) << bit;
  }
}

TEST(ReversedLevel, FiveBitsTurnedAround) {
  const std::pair<int, int> table[] = {{0, 0x00},  {1, 0x10},  {2, 0x08},  {3, 0x18},  {5, 0x14},
                                       {6, 0x0C},  {10, 0x0A}, {12, 0x06}, {16, 0x01}, {21, 0x15},
                                       {30, 0x0F}, {31, 0x1F}, {32, 0x00}, {33, 0x10}, {255, 0x1F}};
  for (const auto& [level, sent] : table)
    EXPECT_EQ(ReversedLevel(static_cast<std::uint8_t>(level)), sent) << level;
  // Reversing twice gives the level back, for every level the operator has.
  for (int level = 0; level <= 31; ++level)
    EXPECT_EQ(ReversedLevel(ReversedLevel(static_cast<std::uint8_t>(level))), level);
}

}  // namespace
}  // namespace ql::board
