#include "hidlink/link.h"

#include <utility>

#include "board/report_layout.h"
#include "hidlink/text_helpers.h"

namespace ql::hidlink {

Link::Link(std::unique_ptr<Platform> platform) : platform_(std::move(platform)) {}

void Link::LoadReportConstants() {
  OutReportID = board::kOutReportID;
  InReportID = board::kInReportID;
  AllReportLen = board::kAllReportLen;
  Rpt2Bytes = board::kRpt2Bytes;
  Rpt4Bytes = board::kRpt4Bytes;
  Rpt6Bytes = board::kRpt6Bytes;
  Rpt8Bytes = board::kRpt8Bytes;
  RptBreakShort = board::kRptBreakShort;
  RptWakeup = board::kRptWakeup;
  RptHostSpeed = board::kRptHostSpeed;
  RptBreakLong = board::kRptBreakLong;
  RptPwmCycle = board::kRptPwmCycle;
  USBTimeOut = board::kUSBTimeOut;
  ReportHeaderLen = board::kReportHeaderLen;
}

void Link::ReportApiCall(std::string_view name) {
  // The code was recorded by the platform right after the call; the list
  // operations in between cannot change it.
  const std::string text = SystemErrorText(*platform_, platform_->LastError());
  list_.Append("");
  list_.Append(name);
  list_.Append("  Result = " + text);
  list_.SelectLast();
}

void Link::CloseSilently(Handle& handle) {
  if (IsOpenHandle(handle)) platform_->CloseHandle(handle);
  handle = kNoHandle;
}

void Link::CloseTraced(Handle& handle, std::string_view callName) {
  // A handle already closed is not closed again; the platform's own answer
  // for an invalid handle still goes into the trace.
  platform_->CloseHandle(IsOpenHandle(handle) ? handle : kNoHandle);
  handle = kNoHandle;
  ReportApiCall(callName);
}

void Link::CloseTheHid() {
  CloseLeftoverHandles();
  MyDeviceDetected = false;
}

void Link::CloseLeftoverHandles() {
  CloseSilently(HIDHandle);
  CloseSilently(ReadHandle);
}

void Link::Shutdown() {
  CloseTraced(HIDHandle, "CloseHandle (HIDHandle)");
  CloseTraced(ReadHandle, "CloseHandle (ReadHandle)");
}

}  // namespace ql::hidlink
