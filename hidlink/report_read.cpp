// Reading one input report with a bounded wait.
#include <algorithm>
#include <utility>

#include "hidlink/link.h"

namespace ql::hidlink {

Link::ReadOutcome Link::StartAndWaitRead(std::span<std::uint8_t> buffer, std::uint32_t ms,
                                         std::uint32_t& bytesRead) {
  list_.SelectLast();
  bytesRead = 0;
  platform_->ReadFile(ReadHandle, buffer, bytesRead, ReadOverlapped);
  ReportApiCall("ReadFile");
  list_.Append("waiting for ReadFile");
  list_.SelectLast();

  std::uint32_t waitCode = kWaitFailed;
  const std::function<void()> wait = [&] {
    waitCode = platform_->WaitForSingleObject(ReadEvent, ms);
  };
  if (waitRunner_)
    waitRunner_(wait);
  else
    wait();
  ReportApiCall("WaitForSingleObject");

  if (waitCode == kWaitObject0) {
    list_.Append("ReadFile completed successfully.");
    // A request that had to wait reported no length when it was issued.
    std::uint32_t transferred = 0;
    if (bytesRead == 0 && platform_->GetOverlappedResult(ReadHandle, ReadOverlapped, transferred))
      bytesRead = transferred;
    return ReadOutcome::kCompleted;
  }
  if (waitCode == kWaitTimeout) {
    list_.Append("Readfile timeout");
    platform_->CancelIo(ReadHandle);
    list_.Append("************ReadFile timeout*************");
    list_.Append("CancelIO");
    ReportApiCall("CancelIo");
    return ReadOutcome::kTimedOut;
  }
  list_.Append("Readfile undefined error");
  return ReadOutcome::kFailed;
}

void Link::SetWaitRunner(WaitRunner runner) {
  waitRunner_ = std::move(runner);
}

void Link::ResetReadEvent() {
  platform_->ResetEvent(ReadEvent);
  ReportApiCall("ResetEvent");
}

std::int16_t Link::ReadUSBReport(std::vector<std::uint8_t>& rtnData, std::int16_t ms) {
  const std::size_t length = static_cast<std::size_t>(std::max<std::int16_t>(AllReportLen, 0));
  std::vector<std::uint8_t> buffer(length + 1, 0);
  rtnData.assign(length + 1, 0);

  std::uint32_t bytesRead = 0;
  // A negative wait would mean "forever" to the platform.
  const auto wait = static_cast<std::uint32_t>(std::max<std::int16_t>(ms, 0));
  const ReadOutcome outcome = StartAndWaitRead(std::span(buffer.data(), length), wait, bytesRead);

  std::int16_t result = 0;
  if (outcome == ReadOutcome::kCompleted) {
    rtnData = buffer;
    result = static_cast<std::int16_t>(std::min<std::uint32_t>(bytesRead, length));
  } else if (outcome == ReadOutcome::kFailed) {
    // Closing the read handle also drops the request that is still pending.
    CloseTheHid();
  }
  ResetReadEvent();
  return result;
}

}  // namespace ql::hidlink
