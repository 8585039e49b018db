#include "hidlink/interface_list.h"

#include "hidlink/device_path.h"

namespace ql::hidlink {

bool InterfaceEntry::Is(std::uint16_t vendor, std::uint16_t product) const {
  return attributes && attributes->VendorID == vendor && attributes->ProductID == product;
}

namespace {

std::string PathOf(Platform& platform, Handle set, const InterfaceData& data) {
  std::uint32_t required = 0;
  platform.GetDeviceInterfaceDetail(set, data, {}, required);
  const std::uint32_t fixed = platform.DetailDataFixedSize();
  if (!UsableDetailSize(required, fixed)) return {};
  std::vector<std::uint8_t> detail = NewDetailBuffer(required, fixed);
  if (!platform.GetDeviceInterfaceDetail(set, data, std::span(detail.data(), required), required))
    return {};
  return PathInDetail(detail);
}

void ReadString(Platform& platform, Handle device, DeviceString which, std::string& text) {
  if (!platform.GetDeviceString(device, which, text)) text.clear();
}

}  // namespace

std::vector<InterfaceEntry> ListInterfaces(Platform& platform) {
  std::vector<InterfaceEntry> entries;
  const Guid hid = platform.GetHidGuid();
  const Handle set = platform.GetClassDevs(hid);
  for (std::uint32_t index = 0;; ++index) {
    InterfaceData data;
    data.cbSize = 28;
    if (!platform.EnumDeviceInterfaces(set, hid, index, data)) break;
    InterfaceEntry entry;
    entry.index = index;
    entry.path = PathOf(platform, set, data);
    if (!entry.path.empty()) {
      const Handle device = platform.OpenDevice(entry.path, OpenMode::kQueryOnly);
      Attributes attributes;
      attributes.Size = 12;
      if (IsOpenHandle(device) && platform.GetAttributes(device, attributes))
        entry.attributes = attributes;
      if (IsOpenHandle(device)) {
        ReadString(platform, device, DeviceString::kManufacturer, entry.manufacturer);
        ReadString(platform, device, DeviceString::kProduct, entry.product);
        ReadString(platform, device, DeviceString::kSerialNumber, entry.serial);
        platform.CloseHandle(device);
      }
    }
    if (!platform.GetDeviceLocation(set, data, entry.port)) entry.port.clear();
    entries.push_back(std::move(entry));
  }
  platform.DestroyDeviceInfoList(set);
  return entries;
}

}  // namespace ql::hidlink
