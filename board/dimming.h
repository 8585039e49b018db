// The dimming-level command: one level becomes one output report.
#pragma once

#include <array>
#include <cstdint>

#include "board/operator_messages.h"
#include "hidlink/link.h"

namespace ql::board {

// Length of a fresh output report: AllReportLen, at least 8.
std::size_t ReportLength(const hidlink::Link& link);

// Level 0 to 31 with its five bits reversed (bits 5 to 7 ignored).
std::uint8_t ReversedLevel(std::uint8_t level);

// Opens the link when it is not open and writes the level's report
// (01 01 <reversed level> 00 00 00 00 00). When the board cannot be found,
// or the write fails (the link is then closed, so the next send searches
// again), the operator is told. A level below 0 or above 255 is refused:
// nothing is searched, written or changed. Levels 32 to 255 send their low
// five bits.
void SendDimmingLevel(hidlink::Link& link, OperatorMessages& messages, std::int16_t level);

}  // namespace ql::board
