// The dimming-level command: one level becomes one output report.
#pragma once

#include <cstdint>

#include "board/operator_messages.h"
#include "hidlink/link.h"

namespace ql::board {

// Level 0 to 31 with its five bits reversed (bits 5 to 7 ignored).
std::uint8_t ReversedLevel(std::uint8_t level);

// Opens the link when it is not open and writes the level's report
// (01 01 <reversed level> 00 00 00 00 00). When the board cannot be found, or
// does not take the report even after one more search (a board unplugged and
// plugged in again needs opening afresh), the operator is told once and the
// link is left closed, so the next send searches again. A level below 0 or
// above 255 is refused: nothing is searched, written or changed. Levels 32
// to 255 send their low five bits. The windows ignore the outcome; the tool
// makes its exit status of it.
hidlink::SendOutcome SendDimmingLevel(hidlink::Link& link, OperatorMessages& messages,
                                      std::int16_t level);

}  // namespace ql::board
