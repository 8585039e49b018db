// The search for the board among the present HID interfaces.
#include "board/report_layout.h"
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
  MyDeviceDetected = false;

  const Guid hidClassGuid = platform_->GetHidGuid();
  ReportApiCall("GetHidGuid");
  list_.Append("  GUID for system HIDs: " + GuidText(hidClassGuid));

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
      MyDeviceDetected = ExamineInterface(deviceInfoSet, memberIndex, data);
    }
    ++memberIndex;
  } while (!noMoreInterfaces && !MyDeviceDetected);

  platform_->DestroyDeviceInfoList(deviceInfoSet);
  ReportApiCall("DestroyDeviceInfoList");

  if (!MyDeviceDetected) {
    list_.Append(" Device not found.");
    return false;
  }
  QueryCapabilities();
  ReadHandle = platform_->OpenDevice(DevicePath, OpenMode::kOverlappedRead);
  ReportApiCall("CreateFile, ReadHandle");
  list_.Append("  Returned handle: " + HexText(static_cast<std::uint32_t>(ReadHandle)) + "h");
  PrepareReadEvent();
  return true;
}

bool Link::ExamineInterface(Handle deviceInfoSet, std::uint32_t memberIndex, InterfaceData& data) {
  list_.Append("  DeviceInfoSet for device #" + DecimalText(memberIndex) + ": ");
  list_.Append("  cbSize = " + DecimalText(data.cbSize));
  list_.Append("  InterfaceClassGuid.Data1 = " + HexText(data.InterfaceClassGuid.Data1));
  list_.Append("  InterfaceClassGuid.Data2 = " + HexText(data.InterfaceClassGuid.Data2));
  list_.Append("  InterfaceClassGuid.Data3 = " + HexText(data.InterfaceClassGuid.Data3));
  list_.Append("  Flags = " + HexText(data.Flags));

  if (!ReadDevicePath(deviceInfoSet, data)) {
    // Removed between enumeration and query, or a path the platform could
    // not give: nothing to open, so nothing to match.
    list_.Append("  No usable device path; interface skipped.");
    return false;
  }
  list_.Append("  Device pathname: ");
  list_.Append("    " + DevicePath);

  HIDHandle = platform_->OpenDevice(DevicePath, OpenMode::kWrite);
  ReportApiCall("CreateFile");
  list_.Append("  Returned handle: " + HexText(static_cast<std::uint32_t>(HIDHandle)) + "h");

  DeviceAttributes.Size = 12;
  const bool filled = platform_->GetAttributes(HIDHandle, DeviceAttributes);
  ReportApiCall("HidD_GetAttributes");
  list_.Append(filled ? "  HIDD_ATTRIBUTES structure filled without error."
                      : "  Error in filling HIDD_ATTRIBUTES structure.");
  list_.Append("  Structure size: " + DecimalText(DeviceAttributes.Size));
  list_.Append("  Vendor ID: " + HexText(DeviceAttributes.VendorID));
  list_.Append("  Product ID: " + HexText(DeviceAttributes.ProductID));
  list_.Append("  Version Number: " + HexText(DeviceAttributes.VersionNumber));

  if (filled && DeviceAttributes.VendorID == board::BoardVendorID &&
      DeviceAttributes.ProductID == board::BoardProductID) {
    list_.Append("  My device detected");
    return true;
  }
  // The failed open's invalid value is passed on too: its failure belongs in
  // the trace.
  platform_->CloseHandle(HIDHandle);
  HIDHandle = kNoHandle;
  ReportApiCall("CloseHandle");
  return false;
}

bool Link::ReadDevicePath(Handle deviceInfoSet, const InterfaceData& data) {
  std::uint32_t requiredSize = 0;
  platform_->GetDeviceInterfaceDetail(deviceInfoSet, data, {}, requiredSize);
  ReportApiCall("SetupDiGetDeviceInterfaceDetail");
  list_.Append("  (OK to say too small)");
  list_.Append("  Required buffer size for the data: " + DecimalText(requiredSize));

  const std::uint32_t fixedSize = platform_->DetailDataFixedSize();
  if (!UsableDetailSize(requiredSize, fixedSize)) {
    DevicePath.clear();
    return false;
  }
  std::vector<std::uint8_t> detail = NewDetailBuffer(requiredSize, fixedSize);
  // The platform is told of the required size only; the extra zero byte
  // keeps the path terminated whatever it writes.
  const bool ok = platform_->GetDeviceInterfaceDetail(
      deviceInfoSet, data, std::span(detail.data(), requiredSize), requiredSize);
  ReportApiCall(" Result of second call: ");
  list_.Append("  MyDeviceInterfaceDetailData.cbSize: " + DecimalText(fixedSize));
  DevicePath = ok ? PathInDetail(detail) : std::string();
  return !DevicePath.empty();
}

void Link::PrepareReadEvent() {
  if (ReadEvent == kNoHandle) ReadEvent = platform_->CreateReadEvent();
  ReportApiCall("CreateEvent");
  ReadOverlapped.Offset = 0;
  ReadOverlapped.OffsetHigh = 0;
  ReadOverlapped.hEvent = ReadEvent;
}

}  // namespace ql::hidlink
