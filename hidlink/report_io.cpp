// Reports in and out: the write every sender goes through, the bounded read,
// and the read the HID test lists.
#include <algorithm>
#include <vector>

#include "hidlink/link.h"
#include "hidlink/text_helpers.h"

namespace ql::hidlink {

std::int32_t Link::WriteReport(std::span<const std::uint8_t> OutputReportData) {
  const std::size_t length = Capabilities_.OutputReportByteLength;
  // Before the board declared its output length there is nothing sound to
  // send.
  if (length == 0) return 0;

  // The board takes reports of its declared length only. One of that length
  // goes as it is; a shorter one is padded with zeros, a longer one cut, in
  // the link's own buffer, kept from one send to the next: a send allocates
  // nothing.
  std::span<const std::uint8_t> sent = OutputReportData;
  if (sent.size() != length) {
    sendBuffer_.assign(length, 0);
    std::copy_n(sent.begin(), std::min(length, sent.size()), sendBuffer_.begin());
    sent = sendBuffer_;
  }
  std::uint32_t bytesWritten = 0;
  const bool ok = platform_->WriteFile(HIDHandle_, sent, bytesWritten);

  if (trace_) {
    trace_->Append(" OutputReportByteLength = " + DecimalText(static_cast<std::int64_t>(length)));
    trace_->Append(" NumberOfBytesWritten = " + DecimalText(bytesWritten));
    trace_->Append(" Report ID: " + DecimalText(sent[0]));
    trace_->Append(" Report Data:");
    for (std::size_t i = 1; i < length; ++i) trace_->Append(" " + HexText(sent[i]));
  }
  return ok ? 1 : 0;
}

Link::ReadOutcome Link::StartAndWaitRead(std::span<std::uint8_t> buffer, std::uint32_t ms,
                                         std::uint32_t& bytesRead) {
  if (trace_) trace_->SelectLast();
  bytesRead = 0;
  platform_->ReadFile(ReadHandle_, buffer, bytesRead, ReadOverlapped_);
  ReportApiCall("ReadFile");
  if (trace_) {
    trace_->Append("waiting for ReadFile");
    trace_->SelectLast();
    // A stop that comes during the wait keeps every line up to it.
    trace_->Flush();
  }

  std::uint32_t waitCode = kWaitFailed;
  const auto wait = [&] { waitCode = platform_->WaitForSingleObject(ReadEvent_, ms); };
  if (waitRunner_)
    waitRunner_(wait);
  else
    wait();
  ReportApiCall("WaitForSingleObject");

  if (waitCode == kWaitObject0) {
    if (trace_) trace_->Append("ReadFile completed successfully.");
    // A request that had to wait reported no length when it was issued.
    std::uint32_t transferred = 0;
    if (bytesRead == 0 && platform_->GetOverlappedResult(ReadHandle_, ReadOverlapped_, transferred))
      bytesRead = transferred;
    return ReadOutcome::kCompleted;
  }
  if (waitCode == kWaitTimeout) {
    if (trace_) trace_->Append("Readfile timeout");
    platform_->CancelIo(ReadHandle_);
    if (trace_) {
      trace_->Append("************ReadFile timeout*************");
      trace_->Append("CancelIO");
    }
    ReportApiCall("CancelIo");
    return ReadOutcome::kTimedOut;
  }
  if (trace_) trace_->Append("Readfile undefined error");
  return ReadOutcome::kFailed;
}

void Link::ResetReadEvent() {
  platform_->ResetEvent(ReadEvent_);
  ReportApiCall("ResetEvent");
}

std::int16_t Link::ReadUSBReport(std::vector<std::uint8_t>& rtnData, std::int16_t ms) {
  const auto length = static_cast<std::size_t>(std::max<std::int16_t>(AllReportLen(), 0));
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

Link::ListedReport Link::ReadAndListReport(std::uint32_t waitMs) {
  ListedReport result;
  result.bytes.assign(Capabilities_.InputReportByteLength, 0);
  if (result.bytes.empty()) {
    // Without a declared input length there is no report to ask for, and a
    // zero-length request would only confuse the trace.
    if (trace_) {
      trace_->Append("ReadFile not issued: the board declared no input report");
      trace_->SelectLast();
    }
    return result;
  }

  std::uint32_t bytesRead = 0;
  result.outcome = StartAndWaitRead(result.bytes, waitMs, bytesRead);
  switch (result.outcome) {
    case ReadOutcome::kCompleted:
      break;
    case ReadOutcome::kFailed:
      // The request may still be pending and would write into a buffer that
      // is about to go: cancel it before the handles go too.
      platform_->CancelIo(ReadHandle_);
      ReportApiCall("CancelIo");
      [[fallthrough]];
    case ReadOutcome::kTimedOut:
      // The board did not answer as it should: make the next sender search
      // for it afresh.
      CloseTraced(HIDHandle_, "CloseHandle (HIDHandle)");
      CloseTraced(ReadHandle_, "CloseHandle (ReadHandle)");
      MyDeviceDetected_ = false;
      break;
  }
  if (trace_) {
    trace_->Append(" Report ID: " + DecimalText(result.bytes[0]));
    trace_->Append(" Report Data:");
    for (const std::uint8_t b : result.bytes) trace_->Append(" " + TwoHexDigits(b));
  }
  ResetReadEvent();
  return result;
}

void Link::FlushInputReports() {
  platform_->FlushQueue(ReadHandle_);
  ReportApiCall("HidD_FlushQueue");
}

}  // namespace ql::hidlink
