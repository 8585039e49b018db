#include "board/dimming.h"

#include <array>

#include "board/report_buffer.h"
#include "board/report_layout.h"
#include "board/utils.h"

namespace ql::board {

namespace {

constexpr std::uint8_t Reverse(std::uint8_t level) {
  std::uint8_t reversed = 0;
  for (std::int16_t i = 0; i <= 4; ++i)
    if (TestBit(i, level) == 1) SetBit(static_cast<std::int16_t>(4 - i), reversed);
  return reversed;
}

// Every byte's reversal, worked out once by the bit routines when the program
// is built, so a send only looks it up.
constexpr auto kReversed = [] {
  std::array<std::uint8_t, 256> table{};
  for (int level = 0; level < 256; ++level)
    table[static_cast<std::size_t>(level)] = Reverse(static_cast<std::uint8_t>(level));
  return table;
}();

}  // namespace

std::uint8_t ReversedLevel(std::uint8_t level) {
  return kReversed[level];
}

hidlink::SendOutcome SendDimmingLevel(hidlink::Link& link, OperatorMessages& messages,
                                      std::int16_t level) {
  if (level < 0 || level > 255) return hidlink::SendOutcome::kRefused;

  ReportBuffer buffer(link);
  buffer[0] = static_cast<std::uint8_t>(link.OutReportID());
  buffer[1] = static_cast<std::uint8_t>(RptDimmingLevel);
  buffer[2] = ReversedLevel(static_cast<std::uint8_t>(level));

  const hidlink::SendOutcome outcome = link.SendReport(buffer.Bytes());
  if (outcome != hidlink::SendOutcome::kSent) messages.ShowMessage(kLinkFailedMessage);
  return outcome;
}

}  // namespace ql::board
