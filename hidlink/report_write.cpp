// The one road by which an output report reaches the board.
#include <algorithm>

#include "hidlink/link.h"
#include "hidlink/text_helpers.h"

namespace ql::hidlink {

std::int32_t Link::WriteReport(std::span<const std::uint8_t> OutputReportData) {
  const std::size_t length = Capabilities.OutputReportByteLength;
  // Before the board declared its output length there is nothing sound to
  // send.
  if (length == 0) return 0;

  std::vector<std::uint8_t> sendBuffer(length, 0);
  std::copy_n(OutputReportData.begin(), std::min(length, OutputReportData.size()),
              sendBuffer.begin());

  std::uint32_t bytesWritten = 0;
  const bool ok = platform_->WriteFile(HIDHandle, sendBuffer, bytesWritten);

  list_.Append(" OutputReportByteLength = " + DecimalText(static_cast<std::int64_t>(length)));
  list_.Append(" NumberOfBytesWritten = " + DecimalText(bytesWritten));
  list_.Append(" Report ID: " + DecimalText(sendBuffer[0]));
  list_.Append(" Report Data:");
  for (std::size_t i = 1; i < length; ++i) list_.Append(" " + HexText(sendBuffer[i]));
  return ok ? 1 : 0;
}

}  // namespace ql::hidlink
