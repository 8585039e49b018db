// Bit routines of the board layer. A bit index of 0 or below addresses bit 0;
// an index of 8 or more does not fit a byte: SetBit then leaves the value
// alone and TestBit answers 0.
#pragma once

#include <cstdint>

namespace ql::board {

namespace detail {

constexpr bool InByte(std::int16_t bitIndex) {
  return bitIndex <= 7;
}

// The mask doubles once per step up to the index, so an index of 0 or below
// leaves it at 1.
constexpr std::uint8_t Mask(std::int16_t bitIndex) {
  return static_cast<std::uint8_t>(1u << (bitIndex > 0 ? bitIndex : 0));
}

}  // namespace detail

constexpr void SetBit(std::int16_t bitIndex, std::uint8_t& value) {
  if (detail::InByte(bitIndex)) value |= detail::Mask(bitIndex);
}

// 1 when the bit is set, 0 when it is clear.
constexpr std::int16_t TestBit(std::int16_t bitIndex, std::uint8_t value) {
  return (detail::InByte(bitIndex) && (value & detail::Mask(bitIndex)) != 0) ? 1 : 0;
}

}  // namespace ql::board
