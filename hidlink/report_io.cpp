// Reports in and out: the write every sender goes through, the bounded read,
// and the read the HID test lists.
#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

#include "hidlink/link.h"
#include "hidlink/text_helpers.h"

namespace ql::hidlink {
namespace {

enum NumberCache : std::size_t { kLengthLine, kWrittenLine, kReportIdLine, kDataLine };

}  // namespace

std::int32_t Link::WriteReport(std::span<const std::uint8_t> OutputReportData) {
  const std::size_t length = Capabilities_.OutputReportByteLength;
  // Before the board declared its output length there is nothing sound to
  // send.
  if (length == 0) return 0;

  // The board's report fits the stack; a device declaring more gets room on
  // the heap.
  std::array<std::uint8_t, 64> small;
  std::unique_ptr<std::uint8_t[]> large;
  std::uint8_t* send = small.data();
  if (length > small.size()) {
    large = std::make_unique<std::uint8_t[]>(length);
    send = large.get();
  }
  const std::size_t given = std::min(length, OutputReportData.size());
  if (given == kRememberedLength && length == kRememberedLength) {
    std::memcpy(send, OutputReportData.data(), kRememberedLength);  // the board's report
  } else {
    std::copy_n(OutputReportData.begin(), given, send);
    std::fill(send + given, send + length, std::uint8_t{0});
  }
  const std::span<const std::uint8_t> sendBuffer(send, length);

  std::uint32_t bytesWritten = 0;
  const bool ok = platform_->WriteFile(HIDHandle_, sendBuffer, bytesWritten);

  // The same eleven lines for every send of a run: each is stored once and
  // found again without building its text, and they go into the list as one
  // batch.
  const auto trace = [&](std::span<DiagnosticList::TextId> lines) {
    lines[0] = NumberLine(kLengthLine,
                          " OutputReportByteLength = ", static_cast<std::uint32_t>(length), false);
    lines[1] = NumberLine(kWrittenLine, " NumberOfBytesWritten = ", bytesWritten, false);
    lines[2] = NumberLine(kReportIdLine, " Report ID: ", sendBuffer[0], false);
    lines[3] = reportDataLine_;
    for (std::size_t i = 1; i < length; ++i)
      lines[i + 3] = NumberLine(kDataLine, " ", sendBuffer[i], true);
  };
  const std::size_t count = length + 3;
  if (length == kRememberedLength) {
    // A run sends the same few reports over and over: their lines are
    // remembered whole, by report.
    std::uint64_t report = 0;
    std::memcpy(&report, send, sizeof report);
    SentTrace& known = sentTraces_[(report * 0x9E3779B97F4A7C15ull) >> 58];
    if (!known.valid || known.report != report || known.written != bytesWritten) {
      known = {true, report, bytesWritten, {}};
      trace(known.lines);
    }
    list_.AppendTexts(known.lines);
  } else {
    std::vector<DiagnosticList::TextId> lines(count);
    trace(lines);
    list_.AppendTexts(lines);
  }
  return ok ? 1 : 0;
}

Link::ReadOutcome Link::StartAndWaitRead(std::span<std::uint8_t> buffer, std::uint32_t ms,
                                         std::uint32_t& bytesRead) {
  list_.SelectLast();
  bytesRead = 0;
  platform_->ReadFile(ReadHandle_, buffer, bytesRead, ReadOverlapped_);
  ReportApiCall("ReadFile");
  list_.Append("waiting for ReadFile");
  list_.SelectLast();

  std::uint32_t waitCode = kWaitFailed;
  const auto wait = [&] { waitCode = platform_->WaitForSingleObject(ReadEvent_, ms); };
  if (waitRunner_)
    waitRunner_(wait);
  else
    wait();
  ReportApiCall("WaitForSingleObject");

  if (waitCode == kWaitObject0) {
    list_.Append("ReadFile completed successfully.");
    // A request that had to wait reported no length when it was issued.
    std::uint32_t transferred = 0;
    if (bytesRead == 0 && platform_->GetOverlappedResult(ReadHandle_, ReadOverlapped_, transferred))
      bytesRead = transferred;
    return ReadOutcome::kCompleted;
  }
  if (waitCode == kWaitTimeout) {
    list_.Append("Readfile timeout");
    platform_->CancelIo(ReadHandle_);
    list_.Append("************ReadFile timeout*************");
    list_.Append("CancelIO");
    ReportApiCall("CancelIo");
    return ReadOutcome::kTimedOut;
  }
  list_.Append("Readfile undefined error");
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
    list_.Append("ReadFile not issued: the board declared no input report");
    list_.SelectLast();
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
  list_.Append(" Report ID: " + DecimalText(result.bytes[0]));
  list_.Append(" Report Data:");
  for (const std::uint8_t b : result.bytes) list_.Append(" " + TwoHexDigits(b));
  ResetReadEvent();
  return result;
}

void Link::FlushInputReports() {
  platform_->FlushQueue(ReadHandle_);
  ReportApiCall("HidD_FlushQueue");
}

}  // namespace ql::hidlink
