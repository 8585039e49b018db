// The HID link to the interface board: its state, the search that finds and
// opens the board, the report write and read, and the developer's trace of
// every platform call they make.
//
// One Link serves a whole run (see TheLink()); everything runs on one thread.
// The state is public, as the senders read MyDeviceDetected and store the
// search result in it; the report constants are zero until
// LoadReportConstants() has run.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "hidlink/diagnostic_list.h"
#include "hidlink/platform.h"

namespace ql::hidlink {

class Link {
 public:
  explicit Link(std::unique_ptr<Platform> platform);
  Link(const Link&) = delete;
  Link& operator=(const Link&) = delete;
  ~Link() = default;

  // The load step: report IDs, lengths, command codes and time-out, set once,
  // in their documented order.
  void LoadReportConstants();

  // Searches the present HID interfaces for the board, opens it for writes and
  // for overlapped reads, reads its capabilities; true when it was found.
  bool FindTheHid();
  // Closes both handles without a trace and marks the board as not open.
  void CloseTheHid();
  // Closes both handles at exit and traces both closes.
  void Shutdown();

  // Writes one output report of OutputReportByteLength bytes (the report
  // padded with zeros when shorter). Nonzero on success, 0 on failure or when
  // no output length is known.
  std::int32_t WriteReport(std::span<const std::uint8_t> OutputReportData);
  // Reads one input report, waiting at most `ms` milliseconds (a negative
  // value counts as 0). `rtnData` becomes AllReportLen + 1 bytes, holding the
  // report on success; the result is the length received, 0 on failure.
  std::int16_t ReadUSBReport(std::vector<std::uint8_t>& rtnData, std::int16_t ms);

  // Outcome of one pass of the read mechanics below, for readers that treat
  // the outcome their own way.
  enum class ReadOutcome { kCompleted, kTimedOut, kFailed };
  // Issues the read of buffer.size() bytes, waits at most `ms`, traces the
  // request, the wait and the time-out handling (cancel). Does not reset the
  // event and does not close anything.
  ReadOutcome StartAndWaitRead(std::span<std::uint8_t> buffer, std::uint32_t ms,
                               std::uint32_t& bytesRead);
  // Runs the one blocking platform wait of a read; the default runs it in
  // place. A window can run it elsewhere and keep painting meanwhile, as long
  // as it touches nothing of the link until `wait` has returned.
  using WaitRunner = std::function<void(const std::function<void()>& wait)>;
  void SetWaitRunner(WaitRunner runner);
  // ResetEvent on the read event, traced.
  void ResetReadEvent();
  // Closes one handle, traces it as `callName`, marks it closed.
  void CloseTraced(Handle& handle, std::string_view callName);

  // Appends the three lines that trace the platform call just made.
  void ReportApiCall(std::string_view name);
  DiagnosticList& List() { return list_; }
  const DiagnosticList& List() const { return list_; }
  Platform& platform() { return *platform_; }

  // --- Link state -----------------------------------------------------------
  Handle HIDHandle = kNoHandle;
  bool MyDeviceDetected = false;
  std::int16_t Rpt2Bytes = 0;
  std::int16_t Rpt4Bytes = 0;
  std::int16_t Rpt6Bytes = 0;
  std::int16_t Rpt8Bytes = 0;
  std::int16_t RptBreakShort = 0;
  std::int16_t RptBreakLong = 0;
  std::int16_t RptWakeup = 0;
  std::int16_t RptPwmCycle = 0;
  std::int16_t RptHostSpeed = 0;
  std::int16_t USBTimeOut = 0;
  std::int16_t OutReportID = 0;
  std::int16_t InReportID = 0;
  std::int16_t AllReportLen = 0;
  std::int16_t ReportHeaderLen = 0;

  Handle ReadHandle = kNoHandle;
  Handle ReadEvent = kNoHandle;
  Overlapped ReadOverlapped;
  std::string DevicePath;
  Attributes DeviceAttributes;
  Caps Capabilities;

 private:
  void CloseLeftoverHandles();
  // One candidate of the search; true when it is the board.
  bool ExamineInterface(Handle deviceInfoSet, std::uint32_t memberIndex, InterfaceData& data);
  bool ReadDevicePath(Handle deviceInfoSet, const InterfaceData& data);
  void QueryCapabilities();
  void PrepareReadEvent();
  void CloseSilently(Handle& handle);

  std::unique_ptr<Platform> platform_;
  DiagnosticList list_;
  WaitRunner waitRunner_;
};

}  // namespace ql::hidlink
