// The search for the board among the present HID interfaces, and the
// capabilities of the board it finds.
#include <algorithm>

#include "hidlink/capability_lines.h"
#include "hidlink/device_path.h"
#include "hidlink/link.h"
#include "hidlink/text_helpers.h"

namespace ql::hidlink {
namespace {

std::string GuidText(const Guid& g) {
  return HexText(g.Data1) + "-" + HexText(g.Data2) + "-" + HexText(g.Data3) + "-" +
         HexByteText(g.Data4, 8);
}

}  // namespace

bool Link::FindTheHid() {
  // A failed read can leave handles open; a new search must not lose them.
  CloseLeftoverHandles();

  bool noMoreInterfaces = false;
  MyDeviceDetected_ = false;
  boardsMet_ = 0;

  const Guid hidClassGuid = platform_->GetHidGuid();
  ReportApiCall("GetHidGuid");
  if (trace_) trace_->Append("  GUID for system HIDs: " + GuidText(hidClassGuid));

  const Handle deviceInfoSet = platform_->GetClassDevs(hidClassGuid);
  ReportApiCall("SetupDiClassDevs");

  std::uint32_t memberIndex = 0;
  do {
    InterfaceData data;
    data.cbSize = 28;
    const bool found =
        platform_->EnumDeviceInterfaces(deviceInfoSet, hidClassGuid, memberIndex, data);
    ReportApiCall("SetupDiEnumDeviceInterfaces");
    if (!found) {
      noMoreInterfaces = true;
    } else {
      MyDeviceDetected_ = ExamineInterface(deviceInfoSet, memberIndex, data);
    }
    ++memberIndex;
  } while (!noMoreInterfaces && !MyDeviceDetected_);

  platform_->DestroyDeviceInfoList(deviceInfoSet);
  ReportApiCall("DestroyDeviceInfoList");

  if (!MyDeviceDetected_) {
    if (trace_) trace_->Append(" Device not found.");
    return false;
  }
  QueryCapabilities();
  ReadHandle_ = platform_->OpenDevice(DevicePath_, OpenMode::kOverlappedRead);
  ReportApiCall("CreateFile, ReadHandle");
  TraceHandle(ReadHandle_);
  PrepareReadEvent();
  return true;
}

bool Link::ExamineInterface(Handle deviceInfoSet, std::uint32_t memberIndex, InterfaceData& data) {
  if (trace_) {
    trace_->Append("  DeviceInfoSet for device #" + DecimalText(memberIndex) + ": ");
    trace_->Append("  cbSize = " + DecimalText(data.cbSize));
    trace_->Append("  InterfaceClassGuid.Data1 = " + HexText(data.InterfaceClassGuid.Data1));
    trace_->Append("  InterfaceClassGuid.Data2 = " + HexText(data.InterfaceClassGuid.Data2));
    trace_->Append("  InterfaceClassGuid.Data3 = " + HexText(data.InterfaceClassGuid.Data3));
    trace_->Append("  Flags = " + HexText(data.Flags));
  }

  if (!ReadDevicePath(deviceInfoSet, data)) {
    // Removed between enumeration and query, or a path the platform could
    // not give: nothing to open, so nothing to match.
    if (trace_) trace_->Append("  No usable device path; interface skipped.");
    return false;
  }
  if (trace_) {
    trace_->Append("  Device pathname: ");
    trace_->Append("    " + DevicePath_);
  }

  HIDHandle_ = platform_->OpenDevice(DevicePath_, OpenMode::kWrite);
  ReportApiCall("CreateFile");
  TraceHandle(HIDHandle_);

  DeviceAttributes_.Size = 12;
  const bool filled = platform_->GetAttributes(HIDHandle_, DeviceAttributes_);
  ReportApiCall("HidD_GetAttributes");
  if (trace_) {
    trace_->Append(filled ? "  HIDD_ATTRIBUTES structure filled without error."
                          : "  Error in filling HIDD_ATTRIBUTES structure.");
    trace_->Append("  Structure size: " + DecimalText(DeviceAttributes_.Size));
    trace_->Append("  Vendor ID: " + HexText(DeviceAttributes_.VendorID));
    trace_->Append("  Product ID: " + HexText(DeviceAttributes_.ProductID));
    trace_->Append("  Version Number: " + HexText(DeviceAttributes_.VersionNumber));
  }

  if (filled && DeviceAttributes_.VendorID == board_.VendorID &&
      DeviceAttributes_.ProductID == board_.ProductID && Selected(deviceInfoSet, data)) {
    if (trace_) trace_->Append("  My device detected");
    return true;
  }
  // The failed open's invalid value is passed on too: its failure belongs in
  // the trace.
  platform_->CloseHandle(HIDHandle_);
  HIDHandle_ = kNoHandle;
  ReportApiCall("CloseHandle");
  return false;
}

bool Link::Selected(Handle deviceInfoSet, const InterfaceData& data) {
  if (!selector_) return true;
  std::string serial;
  if (!platform_->GetDeviceString(HIDHandle_, DeviceString::kSerialNumber, serial)) serial.clear();
  if (trace_) {
    // The device's own text: one line in the trace whatever it holds.
    std::string shown = serial;
    for (char& c : shown)
      if (static_cast<unsigned char>(c) < 0x20) c = '?';
    trace_->Append("  Serial Number: " + shown);
  }
  std::string port;
  if (!platform_->GetDeviceLocation(deviceInfoSet, data, port)) port.clear();
  return selector_->Matches(++boardsMet_, {serial, DevicePath_, port});
}

bool Link::ReadDevicePath(Handle deviceInfoSet, const InterfaceData& data) {
  std::uint32_t requiredSize = 0;
  platform_->GetDeviceInterfaceDetail(deviceInfoSet, data, {}, requiredSize);
  ReportApiCall("SetupDiGetDeviceInterfaceDetail");
  if (trace_) {
    trace_->Append("  (OK to say too small)");
    trace_->Append("  Required buffer size for the data: " + DecimalText(requiredSize));
  }

  const std::uint32_t fixedSize = platform_->DetailDataFixedSize();
  if (!UsableDetailSize(requiredSize, fixedSize)) {
    DevicePath_.clear();
    return false;
  }
  std::vector<std::uint8_t> detail = NewDetailBuffer(requiredSize, fixedSize);
  // The platform is told of the required size only; the extra zero byte
  // keeps the path terminated whatever it writes.
  const bool ok = platform_->GetDeviceInterfaceDetail(
      deviceInfoSet, data, std::span(detail.data(), requiredSize), requiredSize);
  ReportApiCall(" Result of second call: ");
  if (trace_) trace_->Append("  MyDeviceInterfaceDetailData.cbSize: " + DecimalText(fixedSize));
  DevicePath_ = ok ? PathInDetail(detail) : std::string();
  return !DevicePath_.empty();
}

void Link::TraceHandle(Handle handle) {
  if (trace_)
    trace_->Append("  Returned handle: " + HexText(static_cast<std::uint32_t>(handle)) + "h");
}

void Link::PrepareReadEvent() {
  if (ReadEvent_ == kNoHandle) ReadEvent_ = platform_->CreateReadEvent();
  ReportApiCall("CreateEvent");
  ReadOverlapped_.Offset = 0;
  ReadOverlapped_.OffsetHigh = 0;
  ReadOverlapped_.hEvent = ReadEvent_;
}

}  // namespace ql::hidlink

namespace ql::hidlink {

void Link::QueryCapabilities() {
  std::intptr_t preparsed = 0;
  if (!platform_->GetPreparsedData(HIDHandle_, preparsed)) preparsed = 0;
  ReportApiCall("HidD_GetPreparsedData");

  platform_->GetCaps(preparsed, Capabilities_);
  ReportApiCall("HidP_GetCaps");

  if (trace_)
    for (const std::string& line : CapabilityLines(Capabilities_)) trace_->Append(line);

  // The entries are not used; the request stays within what was ever offered.
  std::uint16_t count = std::min(Capabilities_.NumberInputValueCaps, kMaxValueCapsRequest);
  platform_->GetInputValueCaps(preparsed, count);
  ReportApiCall("HidP_GetValueCaps");

  platform_->FreePreparsedData(preparsed);
  ReportApiCall("HidD_FreePreparsedData");
}

}  // namespace ql::hidlink
