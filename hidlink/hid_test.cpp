#include "hidlink/hid_test.h"

#include <ctime>

#include "hidlink/text_helpers.h"

namespace ql::hidlink {
namespace {

void ListBytes(DiagnosticList& list, const std::vector<std::uint8_t>& bytes) {
  list.Append(" Report ID: " + DecimalText(bytes.empty() ? 0 : bytes[0]));
  list.Append(" Report Data:");
  for (const std::uint8_t b : bytes) list.Append(" " + TwoHexDigits(b));
}

}  // namespace

std::array<std::uint8_t, 8> HidTestReport(std::uint8_t byte0, std::uint8_t byte1) {
  return {byte0, byte1, 0x55, 0x56, 0x57, 0x58, 0x59, 0x55};
}

std::uint8_t NextAutoIncrement(std::uint8_t byte1) {
  return byte1 < 100 ? static_cast<std::uint8_t>(byte1 + 10) : 0;
}

std::string GeneralDateText() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
#ifdef _WIN32
  if (localtime_s(&local, &now) != 0) return {};
#else
  if (localtime_r(&now, &local) == nullptr) return {};
#endif
  char text[128] = {};
  const std::size_t n = std::strftime(text, sizeof text, "%x %X", &local);
  return std::string(text, n);
}

ListedReport ReadAndListReport(Link& link, std::uint32_t waitMs) {
  DiagnosticList& list = link.List();
  ListedReport result;
  result.bytes.assign(link.Capabilities.InputReportByteLength, 0);
  if (result.bytes.empty()) {
    // Without a declared input length there is no report to ask for, and a
    // zero-length request would only confuse the trace.
    list.Append("ReadFile not issued: the board declared no input report");
    list.SelectLast();
    return result;
  }

  std::uint32_t bytesRead = 0;
  result.outcome = link.StartAndWaitRead(result.bytes, waitMs, bytesRead);
  switch (result.outcome) {
    case Link::ReadOutcome::kCompleted:
      break;
    case Link::ReadOutcome::kFailed:
      // The request may still be pending and would write into a buffer that
      // is about to go: cancel it before the handles go too.
      link.platform().CancelIo(link.ReadHandle);
      link.ReportApiCall("CancelIo");
      [[fallthrough]];
    case Link::ReadOutcome::kTimedOut:
      // The board did not answer as it should: make the next sender search
      // for it afresh.
      link.CloseTraced(link.HIDHandle, "CloseHandle (HIDHandle)");
      link.CloseTraced(link.ReadHandle, "CloseHandle (ReadHandle)");
      link.MyDeviceDetected = false;
      break;
  }
  ListBytes(list, result.bytes);
  link.ResetReadEvent();
  return result;
}

HidTestRun RunHidTest(Link& link, HidTestBytes& bytes, std::string_view dateLine,
                      std::uint32_t waitMs) {
  DiagnosticList& list = link.List();
  HidTestRun run;
  list.Append("");
  list.Append("***** HID Test Report *****");
  list.Append(dateLine);

  if (!link.MyDeviceDetected) link.MyDeviceDetected = link.FindTheHid();
  run.boardFound = link.MyDeviceDetected;
  if (run.boardFound) {
    if (bytes.autoIncrement) bytes.byte1 = NextAutoIncrement(bytes.byte1);
    run.sent = HidTestReport(bytes.byte0, bytes.byte1);
    // A failed write is left to show as a read time-out.
    run.writeOk = link.WriteReport(run.sent) != 0;
    run.read = ReadAndListReport(link, waitMs);
  }
  list.SelectLast();
  return run;
}

}  // namespace ql::hidlink
