#include "board/utils.h"

namespace ql::board {
namespace {

bool InByte(std::int16_t bitIndex) {
  return bitIndex >= 0 && bitIndex <= 7;
}

std::uint8_t Mask(std::int16_t bitIndex) {
  return static_cast<std::uint8_t>(1u << bitIndex);
}

}  // namespace

void SetBit(std::int16_t bitIndex, std::uint8_t& value) {
  if (InByte(bitIndex)) value |= Mask(bitIndex);
}

std::int16_t TestBit(std::int16_t bitIndex, std::uint8_t value) {
  return (InByte(bitIndex) && (value & Mask(bitIndex)) != 0) ? 1 : 0;
}

}  // namespace ql::board
