// Bit routines of the board layer. A bit index outside 0 to 7 does not fit a
// byte: SetBit then leaves the value alone and TestBit answers 0.
#pragma once

#include <cstdint>

namespace ql::board {

void SetBit(std::int16_t bitIndex, std::uint8_t& value);
// 1 when the bit is set, 0 when it is clear.
std::int16_t TestBit(std::int16_t bitIndex, std::uint8_t value);

}  // namespace ql::board
