#include "board/zeb.h"

#include <array>

#include "board/report_buffer.h"

namespace ql::board {

std::int32_t SendZebCommand(hidlink::Link& link, std::int16_t code,
                            std::span<const std::uint8_t> first,
                            std::span<const std::uint8_t> second) {
  if (code < 0 || code > 255 || first.size() < 2 || second.size() < 4) return 0;

  ReportBuffer report(link);
  report[0] = static_cast<std::uint8_t>(link.OutReportID());
  report[1] = static_cast<std::uint8_t>(code);
  report[2] = first[0];
  report[3] = first[1];
  for (std::size_t i = 0; i < 4; ++i) report[4 + i] = second[i];
  return link.SendReport(report.Bytes()) == hidlink::SendOutcome::kSent ? 1 : 0;
}

std::int16_t SendBreakLong(hidlink::Link& link, OperatorMessages& messages, std::int16_t silent) {
  const std::array<std::uint8_t, 2> first{240, 0};
  const std::array<std::uint8_t, 4> second{};
  const auto result =
      static_cast<std::int16_t>(SendZebCommand(link, link.RptBreakLong(), first, second));
  if (result == 0 && silent == 0) messages.ShowMessage(kBusWriteFailedMessage);
  return result;
}

}  // namespace ql::board
