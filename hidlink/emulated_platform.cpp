#include "hidlink/emulated_platform.h"

#include <algorithm>
#include <chrono>

namespace ql::hidlink {
namespace {

// The HID interface class, under the name Windows gives it, so that the
// trace reads the same everywhere.
constexpr Guid kHidInterfaceClass{
    0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};
// SP_DEVICE_INTERFACE_DATA as the link's 32-bit layout has it.
constexpr std::uint32_t kInterfaceDataSize = 28;
constexpr std::uint32_t kInterfaceActive = 1;
constexpr std::uint32_t kInfinite = 0xFFFFFFFF;
// Larger than any report a HID device sends (the kernel's HID_MAX_BUFFER_SIZE),
// plus the ID byte added for devices without report IDs.
constexpr std::size_t kScratchSize = 16384 + 1;

bool SameGuid(const Guid& a, const Guid& b) {
  return a.Data1 == b.Data1 && a.Data2 == b.Data2 && a.Data3 == b.Data3 &&
         std::equal(std::begin(a.Data4), std::end(a.Data4), std::begin(b.Data4));
}

// Whether the HID class driver would let a report with this first byte go
// out to the device.
bool DeclaredForOutput(const DescriptorSummary& reports, std::uint8_t id) {
  return reports.numberedReports ? id != 0 && reports.outputReportIds.test(id)
                                 : id == 0 && reports.outputReportIds.test(0);
}

}  // namespace

EmulatedPlatform::EmulatedPlatform(std::unique_ptr<DeviceSystem> system)
    : system_(std::move(system)), codes_(system_->Codes()), scratch_(kScratchSize) {}

EmulatedPlatform::~EmulatedPlatform() = default;

template <typename T>
T* EmulatedPlatform::Find(Handle handle) {
  const auto it = objects_.find(handle);
  return it == objects_.end() ? nullptr : std::get_if<T>(&it->second);
}

Handle EmulatedPlatform::NewHandle(Object object) {
  // Stepping by 4, as Windows handle values do.
  const Handle handle = nextHandle_;
  nextHandle_ += 4;
  objects_.emplace(handle, std::move(object));
  return handle;
}

std::optional<DeviceInfo> EmulatedPlatform::Describe(const std::string& path) {
  const auto find = [&]() -> std::optional<DeviceInfo> {
    const auto it = std::find_if(known_.begin(), known_.end(),
                                 [&](const DeviceInfo& d) { return d.path == path; });
    if (it == known_.end()) return std::nullopt;
    return *it;
  };
  if (auto info = find()) return info;
  known_ = system_->Enumerate();
  return find();
}

Guid EmulatedPlatform::GetHidGuid() {
  Succeed();
  return kHidInterfaceClass;
}

Handle EmulatedPlatform::GetClassDevs(const Guid& classGuid) {
  InfoSet set;
  if (SameGuid(classGuid, kHidInterfaceClass)) {
    set.members = system_->Enumerate();
    known_ = set.members;
  }
  Succeed();
  return NewHandle(std::move(set));
}

bool EmulatedPlatform::EnumDeviceInterfaces(Handle set, const Guid&, std::uint32_t index,
                                            InterfaceData& data) {
  const InfoSet* s = Find<InfoSet>(set);
  if (!s) return Fail(codes_.invalidHandle);
  if (data.cbSize != kInterfaceDataSize) return Fail(codes_.invalidUserBuffer);
  if (index >= s->members.size()) return Fail(codes_.noMoreItems);
  data.InterfaceClassGuid = kHidInterfaceClass;
  data.Flags = kInterfaceActive;
  data.Reserved = index;
  return Succeed();
}

bool EmulatedPlatform::GetDeviceInterfaceDetail(Handle set, const InterfaceData& data,
                                                std::span<std::uint8_t> buffer,
                                                std::uint32_t& requiredSize) {
  const InfoSet* s = Find<InfoSet>(set);
  if (!s) return Fail(codes_.invalidHandle);
  if (data.Reserved >= s->members.size()) return Fail(codes_.invalidParameter);
  const std::string& path = s->members[data.Reserved].path;
  const auto required = static_cast<std::uint32_t>(4 + path.size() + 1);
  requiredSize = required;
  if (buffer.size() < required) return Fail(codes_.insufficientBuffer);
  std::uint32_t sizeField = 0;
  for (int i = 0; i < 4; ++i) sizeField |= std::uint32_t{buffer[i]} << (8 * i);
  if (sizeField != DetailDataFixedSize()) return Fail(codes_.invalidUserBuffer);
  std::copy(path.begin(), path.end(), buffer.begin() + 4);
  buffer[4 + path.size()] = 0;
  return Succeed();
}

bool EmulatedPlatform::DestroyDeviceInfoList(Handle set) {
  if (!Find<InfoSet>(set)) return Fail(codes_.invalidHandle);
  objects_.erase(set);
  return Succeed();
}

Handle EmulatedPlatform::OpenDevice(const std::string& path, OpenMode mode) {
  OpenResult opened =
      system_->Open(path, mode == OpenMode::kQueryOnly ? Access::kQuery : Access::kReadWrite);
  if (!opened.device) {
    Fail(opened.error);
    return kInvalidHandle;
  }
  DeviceObject device{std::move(opened.device), mode, {}, {}, {}};
  if (const auto info = Describe(path)) {
    device.reports = ParseReportDescriptor(info->descriptor);
    device.attributes.VendorID = info->vendor;
    device.attributes.ProductID = info->product;
    device.attributes.VersionNumber = info->version;
    device.strings = {info->manufacturer, info->productName, info->serial};
  }
  Succeed();
  return NewHandle(std::move(device));
}

bool EmulatedPlatform::GetAttributes(Handle device, Attributes& attributes) {
  const DeviceObject* d = Find<DeviceObject>(device);
  if (!d) return Fail(codes_.invalidHandle);
  attributes.VendorID = d->attributes.VendorID;
  attributes.ProductID = d->attributes.ProductID;
  attributes.VersionNumber = d->attributes.VersionNumber;
  return Succeed();
}

bool EmulatedPlatform::WaitForDeviceChange(std::uint32_t milliseconds) {
  const bool changed = system_->WaitForChange(milliseconds);
  Succeed();
  return changed;
}

bool EmulatedPlatform::GetDeviceString(Handle device, DeviceString which, std::string& text) {
  const DeviceObject* d = Find<DeviceObject>(device);
  if (!d) return Fail(codes_.invalidHandle);
  const std::string& found = d->strings[static_cast<std::size_t>(which)];
  // A device without the string has no descriptor to give.
  if (found.empty()) return Fail(codes_.invalidParameter);
  text = found;
  return Succeed();
}

bool EmulatedPlatform::GetDeviceLocation(Handle set, const InterfaceData& data,
                                         std::string& location) {
  const InfoSet* s = Find<InfoSet>(set);
  if (!s) return Fail(codes_.invalidHandle);
  if (data.Reserved >= s->members.size()) return Fail(codes_.invalidParameter);
  const std::string& port = s->members[data.Reserved].port;
  if (port.empty()) return Fail(codes_.invalidParameter);
  location = port;
  return Succeed();
}

bool EmulatedPlatform::GetPreparsedData(Handle device, std::intptr_t& preparsed) {
  const DeviceObject* d = Find<DeviceObject>(device);
  if (!d) return Fail(codes_.invalidHandle);
  preparsed = nextPreparsed_;
  nextPreparsed_ += 0x40;
  preparsed_[preparsed] = d->reports;
  return Succeed();
}

bool EmulatedPlatform::GetCaps(std::intptr_t preparsed, Caps& caps) {
  const auto it = preparsed_.find(preparsed);
  if (it == preparsed_.end()) return Fail(codes_.invalidParameter);
  caps = it->second.caps;
  return Succeed();
}

bool EmulatedPlatform::GetInputValueCaps(std::intptr_t preparsed, std::uint16_t& count) {
  const auto it = preparsed_.find(preparsed);
  if (it == preparsed_.end()) return Fail(codes_.invalidParameter);
  count = std::min({count, it->second.caps.NumberInputValueCaps, kMaxValueCapsRequest});
  return Succeed();
}

bool EmulatedPlatform::FreePreparsedData(std::intptr_t preparsed) {
  if (preparsed_.erase(preparsed) == 0) return Fail(codes_.invalidParameter);
  return Succeed();
}

Handle EmulatedPlatform::CreateReadEvent() {
  Succeed();
  return NewHandle(Event{});
}

bool EmulatedPlatform::WriteFile(Handle device, std::span<const std::uint8_t> report,
                                 std::uint32_t& bytesWritten) {
  bytesWritten = 0;
  DeviceObject* d = Find<DeviceObject>(device);
  if (!d || d->mode == OpenMode::kQueryOnly) return Fail(codes_.invalidHandle);
  if (report.empty() || report.size() != d->reports.caps.OutputReportByteLength ||
      !DeclaredForOutput(d->reports, report[0]))
    return Fail(codes_.invalidParameter);
  const DeviceResult written = d->device->Write(report);
  if (written.error != 0) return Fail(written.error);
  bytesWritten = static_cast<std::uint32_t>(written.length);
  return Succeed();
}

DeviceResult EmulatedPlatform::Take(DeviceObject& device, std::span<std::uint8_t> buffer) {
  // A report without an ID comes as the device sent it: read behind a 0.
  const std::size_t offset = device.reports.numberedReports ? 0 : 1;
  const DeviceResult got =
      device.device->Read(std::span(scratch_.data() + offset, scratch_.size() - offset));
  if (got.error != 0 || got.length == 0) return got;
  scratch_[0] = device.reports.numberedReports ? scratch_[0] : 0;
  const std::size_t length = std::min(got.length + offset, buffer.size());
  std::copy_n(scratch_.begin(), length, buffer.begin());
  device.lastTransfer = static_cast<std::uint32_t>(length);
  return {length, 0};
}

bool EmulatedPlatform::ReadFile(Handle device, std::span<std::uint8_t> buffer,
                                std::uint32_t& bytesRead, Overlapped& overlapped) {
  bytesRead = 0;
  DeviceObject* d = Find<DeviceObject>(device);
  Event* e = Find<Event>(overlapped.hEvent);
  if (!d || d->mode != OpenMode::kOverlappedRead || !e) return Fail(codes_.invalidHandle);
  // Starting a request resets its event.
  e->signalled = false;
  e->pending.reset();
  e->failure = 0;
  if (buffer.empty() || buffer.size() < d->reports.caps.InputReportByteLength)
    return Fail(codes_.invalidUserBuffer);
  const DeviceResult got = Take(*d, buffer);
  if (got.error != 0) {
    e->failure = got.error;
    return Fail(got.error);
  }
  if (got.length > 0) {
    e->signalled = true;
    bytesRead = static_cast<std::uint32_t>(got.length);
    return Succeed();
  }
  e->pending = PendingRead{device, buffer};
  return Fail(codes_.ioPending);
}

bool EmulatedPlatform::GetOverlappedResult(Handle device, Overlapped& overlapped,
                                           std::uint32_t& bytesTransferred) {
  const DeviceObject* d = Find<DeviceObject>(device);
  const Event* e = Find<Event>(overlapped.hEvent);
  if (!d || !e) return Fail(codes_.invalidHandle);
  if (e->pending) return Fail(codes_.ioPending);
  bytesTransferred = d->lastTransfer;
  return Succeed();
}

std::uint32_t EmulatedPlatform::WaitForSingleObject(Handle event, std::uint32_t milliseconds) {
  Event* e = Find<Event>(event);
  if (!e) {
    Fail(codes_.invalidHandle);
    return kWaitFailed;
  }
  if (e->signalled) {
    Succeed();
    return kWaitObject0;
  }
  if (e->failure != 0) {
    Fail(e->failure);
    return kWaitFailed;
  }
  DeviceObject* reader = e->pending ? Find<DeviceObject>(e->pending->device) : nullptr;
  if (!reader) {
    // Nothing will ever signal this event.
    Succeed();
    return kWaitTimeout;
  }
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
  for (;;) {
    std::uint32_t left = kInfinite;
    if (milliseconds != kInfinite) {
      const auto rest = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
      left = static_cast<std::uint32_t>(std::max<std::int64_t>(rest.count(), 0));
    }
    DeviceError error = 0;
    const WaitResult ready = reader->device->WaitReadable(left, error);
    if (ready == WaitResult::kTimedOut) {
      Succeed();
      return kWaitTimeout;
    }
    const DeviceResult got =
        ready == WaitResult::kFailed ? DeviceResult{0, error} : Take(*reader, e->pending->buffer);
    if (got.error != 0) {
      e->pending.reset();
      Fail(got.error);
      return kWaitFailed;
    }
    if (got.length > 0) {
      e->pending.reset();
      e->signalled = true;
      Succeed();
      return kWaitObject0;
    }
    // Another reader took the report; wait on while time is left.
    if (left == 0) {
      Succeed();
      return kWaitTimeout;
    }
  }
}

void EmulatedPlatform::DropPendingReadsOn(Handle device) {
  for (auto& [handle, object] : objects_)
    if (Event* e = std::get_if<Event>(&object); e && e->pending && e->pending->device == device)
      e->pending.reset();
}

bool EmulatedPlatform::CancelIo(Handle device) {
  if (!Find<DeviceObject>(device)) return Fail(codes_.invalidHandle);
  // Reads happen only inside a wait, so a dropped request can no longer
  // touch its buffer.
  DropPendingReadsOn(device);
  return Succeed();
}

bool EmulatedPlatform::ResetEvent(Handle event) {
  Event* e = Find<Event>(event);
  if (!e) return Fail(codes_.invalidHandle);
  e->signalled = false;
  return Succeed();
}

bool EmulatedPlatform::FlushQueue(Handle device) {
  DeviceObject* d = Find<DeviceObject>(device);
  if (!d) return Fail(codes_.invalidHandle);
  d->device->Flush();
  return Succeed();
}

bool EmulatedPlatform::CloseHandle(Handle handle) {
  const auto it = objects_.find(handle);
  if (it == objects_.end() || std::holds_alternative<InfoSet>(it->second))
    return Fail(codes_.invalidHandle);
  if (std::holds_alternative<DeviceObject>(it->second)) DropPendingReadsOn(handle);
  objects_.erase(it);
  return Succeed();
}

std::uint32_t EmulatedPlatform::FormatSystemMessage(std::uint32_t code,
                                                    std::span<char> buffer) const {
  // FormatMessage ends a system text with a line break.
  const std::string text = system_->ErrorText(code) + "\r\n";
  if (text.size() <= 2 || text.size() + 1 > buffer.size()) return 0;
  std::copy(text.begin(), text.end(), buffer.begin());
  buffer[text.size()] = '\0';
  return static_cast<std::uint32_t>(text.size());
}

}  // namespace ql::hidlink
