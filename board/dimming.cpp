#include "board/dimming.h"

#include <algorithm>
#include <vector>

#include "board/report_layout.h"
#include "board/utils.h"

namespace ql::board {

std::size_t ReportLength(const hidlink::Link& link) {
  // Never shorter than the header and the first payload byte, even before the
  // link's constants are loaded.
  return static_cast<std::size_t>(std::max<std::int16_t>(link.AllReportLen, 8));
}

std::uint8_t ReversedLevel(std::uint8_t level) {
  std::uint8_t reversed = 0;
  for (std::int16_t i = 0; i <= 4; ++i)
    if (TestBit(i, level) == 1) SetBit(static_cast<std::int16_t>(4 - i), reversed);
  return reversed;
}

void SendDimmingLevel(hidlink::Link& link, OperatorMessages& messages, std::int16_t level) {
  if (level < 0 || level > 255) return;

  if (!link.MyDeviceDetected) link.MyDeviceDetected = link.FindTheHid();
  if (!link.MyDeviceDetected) {
    messages.ShowMessage(kLinkFailedMessage);
    return;
  }

  std::vector<std::uint8_t> report(ReportLength(link), 0);
  report[0] = static_cast<std::uint8_t>(link.OutReportID);
  report[1] = static_cast<std::uint8_t>(RptDimmingLevel);
  report[2] = ReversedLevel(static_cast<std::uint8_t>(level));

  if (link.WriteReport(report) == 0) {
    // The board may have been unplugged: close, so the next send searches
    // for it again, and say so now rather than never.
    link.CloseTheHid();
    messages.ShowMessage(kLinkFailedMessage);
  }
}

}  // namespace ql::board
