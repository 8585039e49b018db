#include "hidlink/hid_test.h"

#include <ctime>

namespace ql::hidlink {
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

HidTestRun RunHidTest(Link& link, HidTestBytes& bytes, std::string_view dateLine,
                      std::uint32_t waitMs) {
  TraceSink* const trace = link.Trace();
  HidTestRun run;
  if (trace) {
    trace->Append("");
    trace->Append("***** HID Test Report *****");
    trace->Append(dateLine);
  }

  run.boardFound = link.OpenTheHidOnDemand();
  if (run.boardFound) {
    if (bytes.autoIncrement) bytes.byte1 = NextAutoIncrement(bytes.byte1);
    run.sent = HidTestReport(bytes.byte0, bytes.byte1);
    link.FlushInputReports();
    // A failed write is left to show as a read time-out.
    run.writeOk = link.WriteReport(run.sent) != 0;
    run.read = link.ReadAndListReport(waitMs);
  }
  if (trace) trace->SelectLast();
  return run;
}

}  // namespace ql::hidlink
