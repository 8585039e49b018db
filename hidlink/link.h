// The HID link to the interface board: its state, the search that finds and
// opens the board, the report write and read, and the developer's trace of
// every platform call they make.
//
// A program owns one Link for its whole run; everything runs on one thread
// (only a blocking wait may be handed to another, see SetWaitRunner). The
// state is the link's own: callers read it through the accessors below, which
// carry the names the trace and the developers know it by.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "hidlink/board_selector.h"
#include "hidlink/platform.h"
#include "hidlink/trace_sink.h"

namespace ql::hidlink {

// The values the link's load step sets, in the order it sets them.
struct ReportConstants {
  std::int16_t OutReportID = 0;
  std::int16_t InReportID = 0;
  std::int16_t AllReportLen = 0;
  std::int16_t Rpt2Bytes = 0;
  std::int16_t Rpt4Bytes = 0;
  std::int16_t Rpt6Bytes = 0;
  std::int16_t Rpt8Bytes = 0;
  std::int16_t RptBreakShort = 0;
  std::int16_t RptWakeup = 0;
  std::int16_t RptHostSpeed = 0;
  std::int16_t RptBreakLong = 0;
  std::int16_t RptPwmCycle = 0;
  std::int16_t USBTimeOut = 0;
  std::int16_t ReportHeaderLen = 0;
};

// What the link is told of the board it serves.
struct BoardIdentity {
  std::uint16_t VendorID = 0;
  std::uint16_t ProductID = 0;
  ReportConstants constants;
};

// How a send through SendReport ended.
enum class SendOutcome {
  kSent,
  kRefused,        // the sender refused its arguments; nothing happened
  kBoardNotFound,  // the search did not find the board
  kWriteFailed,    // the board was found but took no report
};

class Link {
 public:
  Link(std::unique_ptr<Platform> platform, const BoardIdentity& board);
  Link(const Link&) = delete;
  Link& operator=(const Link&) = delete;
  ~Link();

  // The load step: report IDs, lengths, command codes and time-out, set once.
  void LoadReportConstants();

  // Searches the present HID interfaces for the board, opens it for writes and
  // for overlapped reads, reads its capabilities; true when it was found.
  bool FindTheHid();
  // Which board the search takes when several are plugged in; without a
  // selector, the first. With one, every board the search examines traces
  // its serial number, and one the selector does not name is passed over.
  void SetBoardSelector(std::optional<BoardSelector> selector) { selector_ = std::move(selector); }
  // Closes both handles without a trace and marks the board as not open.
  void CloseTheHid();
  // Closes both handles at exit and traces both closes; MyDeviceDetected
  // stays as it was.
  void Shutdown();
  // The one way every sender opens the board: searches when it is not open
  // and keeps the result. True when the board is open. Inline: every send
  // asks it.
  bool OpenTheHidOnDemand() {
    if (!MyDeviceDetected_) MyDeviceDetected_ = FindTheHid();
    return MyDeviceDetected_;
  }

  // Writes one output report of OutputReportByteLength bytes (the report
  // padded with zeros when shorter). Nonzero on success, 0 on failure or when
  // no output length is known.
  std::int32_t WriteReport(std::span<const std::uint8_t> OutputReportData);
  // Opens the board on demand and writes `report`. A write that fails on a
  // board that was already open (it may have been unplugged and plugged in
  // again since) closes the link, searches once more and writes again; a
  // report that still does not go out leaves the link closed, so the next
  // send searches afresh.
  SendOutcome SendReport(std::span<const std::uint8_t> report);

  // Reads one input report, waiting at most `ms` milliseconds (a negative
  // value counts as 0). `rtnData` becomes AllReportLen + 1 bytes, holding the
  // report on success; the result is the length received, 0 on failure. A
  // failed wait (the board went away) closes the link.
  std::int16_t ReadUSBReport(std::vector<std::uint8_t>& rtnData, std::int16_t ms);

  enum class ReadOutcome { kCompleted, kTimedOut, kFailed };
  struct ListedReport {
    ReadOutcome outcome = ReadOutcome::kFailed;
    // The whole read buffer, as listed: zeros where nothing came.
    std::vector<std::uint8_t> bytes;
  };
  // Reads one input report of the board's declared input length, waiting up
  // to `waitMs`, and lists it in the trace whatever the outcome. After a
  // time-out or a failed wait the request is cancelled, both handles are
  // closed (traced) and the board is marked as not open.
  ListedReport ReadAndListReport(std::uint32_t waitMs);
  // Drops the input reports queued for the read handle (answers nobody read),
  // traced as HidD_FlushQueue.
  void FlushInputReports();

  // Runs the one blocking platform wait of a read; the default runs it in
  // place. A window can run it on another thread and keep painting meanwhile,
  // as long as it touches nothing of the link until `wait` has returned.
  using WaitRunner = std::function<void(const std::function<void()>& wait)>;
  void SetWaitRunner(WaitRunner runner) { waitRunner_ = std::move(runner); }

  // Where the trace goes (nullptr: nowhere, and no line is made). The sink
  // is the caller's and must outlive its attachment.
  void SetTrace(TraceSink* sink) { trace_ = sink; }
  TraceSink* Trace() const { return trace_; }
  // Appends the three lines that trace the platform call just made.
  void ReportApiCall(std::string_view name);
  Platform& platform() { return *platform_; }

  // --- Link state, read-only ------------------------------------------------
  bool MyDeviceDetected() const { return MyDeviceDetected_; }
  Handle HIDHandle() const { return HIDHandle_; }
  Handle ReadHandle() const { return ReadHandle_; }
  Handle ReadEvent() const { return ReadEvent_; }
  const std::string& DevicePath() const { return DevicePath_; }
  const Attributes& DeviceAttributes() const { return DeviceAttributes_; }
  const Caps& Capabilities() const { return Capabilities_; }
  std::uint16_t BoardVendorID() const { return board_.VendorID; }
  std::uint16_t BoardProductID() const { return board_.ProductID; }
  const ReportConstants& Constants() const { return constants_; }
  std::int16_t OutReportID() const { return constants_.OutReportID; }
  std::int16_t InReportID() const { return constants_.InReportID; }
  std::int16_t AllReportLen() const { return constants_.AllReportLen; }
  std::int16_t ReportHeaderLen() const { return constants_.ReportHeaderLen; }
  std::int16_t RptBreakLong() const { return constants_.RptBreakLong; }
  std::int16_t USBTimeOut() const { return constants_.USBTimeOut; }

 private:
  SendOutcome WriteOnDemand(std::span<const std::uint8_t> report);
  // One candidate of the search; true when it is the board.
  bool ExamineInterface(Handle deviceInfoSet, std::uint32_t memberIndex, InterfaceData& data);
  bool ReadDevicePath(Handle deviceInfoSet, const InterfaceData& data);
  // Whether the board just examined is the one the selector names.
  bool Selected(Handle deviceInfoSet, const InterfaceData& data);
  void QueryCapabilities();
  // "  Returned handle: " and the handle's value, after an open.
  void TraceHandle(Handle handle);
  void PrepareReadEvent();
  void CloseLeftoverHandles();
  void CloseSilently(Handle& handle);
  void CloseTraced(Handle& handle, std::string_view callName);
  ReadOutcome StartAndWaitRead(std::span<std::uint8_t> buffer, std::uint32_t ms,
                               std::uint32_t& bytesRead);
  void ResetReadEvent();

  std::unique_ptr<Platform> platform_;
  BoardIdentity board_;
  std::optional<BoardSelector> selector_;
  std::uint32_t boardsMet_ = 0;  // by the search under way
  TraceSink* trace_ = nullptr;
  WaitRunner waitRunner_;

  ReportConstants constants_;
  Handle HIDHandle_ = kNoHandle;
  bool MyDeviceDetected_ = false;
  Handle ReadHandle_ = kNoHandle;
  Handle ReadEvent_ = kNoHandle;
  Overlapped ReadOverlapped_;
  std::string DevicePath_;
  Attributes DeviceAttributes_;
  Caps Capabilities_;
  std::vector<std::uint8_t> sendBuffer_;  // WriteReport's, padded to the board's length
};

}  // namespace ql::hidlink
