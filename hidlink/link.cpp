// The link's state over a run: the load step, opening on demand, closing, and
// the call report every platform call leaves in the trace.
#include "hidlink/link.h"

#include <utility>

#include "hidlink/text_helpers.h"

namespace ql::hidlink {
Link::Link(std::unique_ptr<Platform> platform, const BoardIdentity& board)
    : platform_(std::move(platform)), board_(board) {}

Link::~Link() = default;

void Link::LoadReportConstants() {
  constants_ = board_.constants;
}

void Link::ReportApiCall(std::string_view name) {
  if (!trace_) return;
  // The code was recorded by the platform right after the call; the list
  // operations in between cannot change it.
  const std::string text = SystemErrorText(*platform_, platform_->LastError());
  trace_->Append("");
  trace_->Append(name);
  trace_->Append("  Result = " + text);
  trace_->SelectLast();
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

void Link::CloseLeftoverHandles() {
  CloseSilently(HIDHandle_);
  CloseSilently(ReadHandle_);
}

void Link::CloseTheHid() {
  CloseLeftoverHandles();
  MyDeviceDetected_ = false;
}

void Link::Shutdown() {
  // The program ends right after: only the handles go. MyDeviceDetected is
  // left as it was; a send after this finds its write failing and searches
  // afresh.
  CloseTraced(HIDHandle_, "CloseHandle (HIDHandle)");
  CloseTraced(ReadHandle_, "CloseHandle (ReadHandle)");
}

SendOutcome Link::SendReport(std::span<const std::uint8_t> report) {
  const SendOutcome outcome = WriteOnDemand(report);
  if (trace_) trace_->Flush();
  return outcome;
}

SendOutcome Link::WriteOnDemand(std::span<const std::uint8_t> report) {
  const bool wasOpen = MyDeviceDetected_;
  if (!OpenTheHidOnDemand()) return SendOutcome::kBoardNotFound;
  if (WriteReport(report) != 0) return SendOutcome::kSent;
  CloseTheHid();
  // A handle from before an unplug is dead even when the board is back:
  // one more search reaches the board as it is now.
  if (!wasOpen) return SendOutcome::kWriteFailed;
  if (!OpenTheHidOnDemand()) return SendOutcome::kBoardNotFound;
  if (WriteReport(report) != 0) return SendOutcome::kSent;
  CloseTheHid();
  return SendOutcome::kWriteFailed;
}

}  // namespace ql::hidlink
