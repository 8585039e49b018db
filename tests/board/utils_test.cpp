#include "board/utils.h"

#include <gtest/gtest.h>

#include "board/dimming.h"

namespace ql::board {
namespace {

// Indices 0 to 7 address a bit of the byte, any index below 0 bit 0; past the
// byte nothing is set and every bit reads 0.
TEST(BitRoutines, AddressOnlyTheBitsOfTheByte) {
  struct Case {
    std::int16_t bit;
    std::uint8_t value;
    std::int16_t tested;
    std::uint8_t set;
  };
  for (const Case& c :
       {Case{0, 1, 1, 1}, Case{0, 0, 0, 1}, Case{2, 4, 1, 4}, Case{3, 16, 0, 0x18},
        Case{4, 16, 1, 16}, Case{5, 0xFF, 1, 0xFF}, Case{7, 0x80, 1, 0x80}, Case{7, 0x01, 0, 0x81},
        Case{-1, 1, 1, 1}, Case{-1, 0, 0, 1}, Case{-32768, 0xFE, 0, 0xFF},
        Case{-32768, 0x10, 0, 0x11}, Case{8, 0x5A, 0, 0x5A}, Case{8, 0xFF, 0, 0xFF},
        Case{16, 0x5A, 0, 0x5A}, Case{32767, 0xFF, 0, 0xFF}}) {
    EXPECT_EQ(TestBit(c.bit, c.value), c.tested) << c.bit << " " << int{c.value};
    std::uint8_t value = c.value;
    SetBit(c.bit, value);
    EXPECT_EQ(value, c.set) << c.bit << " " << int{c.value};
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
