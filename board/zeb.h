// Commands of the chip's ZEB bus, and the long bus break.
#pragma once

#include <cstdint>
#include <span>

#include "board/operator_messages.h"
#include "hidlink/link.h"

namespace ql::board {

// Opens the link when it is not open and writes one report:
// 01 <code> first[0] first[1] second[0..3]. Returns 1 when written, 0 when the
// board was not found or did not take the report even after one more search
// (the link is then closed, so the next command searches again). A code outside 0 to 255, or arrays
// shorter than 2 and 4 bytes, are refused with 0 and nothing happens. Shows nothing.
std::int32_t SendZebCommand(hidlink::Link& link, std::int16_t code,
                            std::span<const std::uint8_t> first,
                            std::span<const std::uint8_t> second);

// Sends the long bus break (01 14 F0 00 00 00 00 00); on failure tells the
// operator unless `silent` is nonzero. Returns SendZebCommand's result.
std::int16_t SendBreakLong(hidlink::Link& link, OperatorMessages& messages, std::int16_t silent);

}  // namespace ql::board
