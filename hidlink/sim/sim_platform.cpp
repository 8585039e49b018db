#include "hidlink/sim/sim_platform.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

namespace ql::hidlink::sim {
namespace {

constexpr Guid kHidGuid{
    0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};
constexpr std::uint32_t kSpintActive = 1;
constexpr std::uint32_t kInterfaceDataSize = 28;
constexpr std::string_view kPathTail = "#{4d1e55b2-f16f-11cf-88cb-001111000030}";

SimDevice Keyboard() {
  SimDevice d;
  d.path =
      std::string(R"(\\?\hid#vid_046d&pid_c31c&mi_00#7&2b8e1f3a&0&0000)") + std::string(kPathTail);
  d.attributes = {12, 0x046D, 0xC31C, 0x4920};
  d.caps.Usage = 6;
  d.caps.UsagePage = 1;
  d.caps.InputReportByteLength = 9;
  d.caps.OutputReportByteLength = 2;
  d.refusesReadWrite = true;
  return d;
}

SimDevice Mouse() {
  SimDevice d;
  d.path = std::string(R"(\\?\hid#vid_046d&pid_c077#7&1c2d3e4f&0&0000)") + std::string(kPathTail);
  d.attributes = {12, 0x046D, 0xC077, 0x7200};
  d.caps.Usage = 2;
  d.caps.UsagePage = 1;
  d.caps.InputReportByteLength = 5;
  d.caps.NumberLinkCollectionNodes = 2;
  d.caps.NumberInputButtonCaps = 1;
  d.caps.NumberInputValueCaps = 3;
  d.caps.NumberInputDataIndices = 6;
  d.inputValueCaps = 3;
  return d;
}

}  // namespace

SimDevice BoardDevice() {
  SimDevice d;
  d.path = std::string(R"(\\?\hid#vid_0483&pid_0003#7&3a4b5c6d&0&0000)") + std::string(kPathTail);
  d.attributes = {12, 0x0483, 0x0003, 0x0200};
  d.caps.Usage = 1;
  d.caps.UsagePage = 0xFF00;
  d.caps.InputReportByteLength = SimBoard::kReportLength;
  d.caps.OutputReportByteLength = SimBoard::kReportLength;
  d.caps.FeatureReportByteLength = 0;
  d.caps.NumberLinkCollectionNodes = 1;
  d.caps.NumberInputValueCaps = 1;
  d.caps.NumberInputDataIndices = 1;
  d.caps.NumberOutputValueCaps = 1;
  d.caps.NumberOutputDataIndices = 1;
  d.inputValueCaps = 1;
  d.isBoard = true;
  return d;
}

std::optional<Scenario> ParseScenario(std::string_view name) {
  for (Scenario s : {Scenario::kBoard, Scenario::kAbsent, Scenario::kNone, Scenario::kMute})
    if (name == ScenarioName(s)) return s;
  return std::nullopt;
}

std::string_view ScenarioName(Scenario scenario) {
  switch (scenario) {
    case Scenario::kBoard:
      return "board";
    case Scenario::kAbsent:
      return "absent";
    case Scenario::kNone:
      return "none";
    case Scenario::kMute:
      return "mute";
  }
  return "board";
}

SimPlatform::SimPlatform(Scenario scenario) : board_(scenario != Scenario::kMute) {
  if (scenario == Scenario::kNone) return;
  devices_.push_back(Keyboard());
  devices_.push_back(Mouse());
  if (scenario != Scenario::kAbsent) devices_.push_back(BoardDevice());
}

void SimPlatform::Unplug() {
  if (!plugged_) return;
  plugged_ = false;
  // Requests pending on the board end with it.
  objects_.DropPendingReadsIf([this](Handle reader) {
    return !DeviceAlive(objects_.Find(reader, Object::Kind::kDevice)->device);
  });
}

void SimPlatform::Replug() {
  if (plugged_) return;
  plugged_ = true;
  ++generation_;
  board_.ClearInputReports();
}

void SimPlatform::SetSystemText(std::uint32_t code, std::string text) {
  textOverrides_[code] = std::move(text);
}

bool SimPlatform::DeviceAlive(const DeviceObject& d) const {
  return !devices_[d.device].isBoard || (plugged_ && d.generation == generation_);
}

Guid SimPlatform::GetHidGuid() {
  Succeed();
  return kHidGuid;
}

Handle SimPlatform::GetClassDevs(const Guid& classGuid) {
  Object set{Object::Kind::kDeviceInfoSet, {}, {}, {}};
  if (std::memcmp(&classGuid, &kHidGuid, sizeof(Guid)) == 0)
    for (std::size_t i = 0; i < devices_.size(); ++i)
      if (!devices_[i].isBoard || plugged_) set.members.push_back(i);
  Succeed();
  return objects_.NewHandle(std::move(set));
}

bool SimPlatform::EnumDeviceInterfaces(Handle set, const Guid&, std::uint32_t index,
                                       InterfaceData& data) {
  const Object* s = objects_.Find(set, Object::Kind::kDeviceInfoSet);
  if (!s) return Fail(error::kInvalidHandle);
  if (data.cbSize != kInterfaceDataSize) return Fail(error::kInvalidUserBuffer);
  if (index >= s->members.size()) return Fail(error::kNoMoreItems);
  data.InterfaceClassGuid = kHidGuid;
  data.Flags = kSpintActive;
  data.Reserved = s->members[index];
  return Succeed();
}

bool SimPlatform::GetDeviceInterfaceDetail(Handle set, const InterfaceData& data,
                                           std::span<std::uint8_t> buffer,
                                           std::uint32_t& requiredSize) {
  const Object* s = objects_.Find(set, Object::Kind::kDeviceInfoSet);
  if (!s) return Fail(error::kInvalidHandle);
  if (std::find(s->members.begin(), s->members.end(), data.Reserved) == s->members.end())
    return Fail(error::kInvalidParameter);
  const std::string& path = devices_[data.Reserved].path;
  const auto required = static_cast<std::uint32_t>(4 + path.size() + 1);
  requiredSize = required;
  if (buffer.size() < required) return Fail(error::kInsufficientBuffer);
  std::uint32_t sizeField = 0;
  for (int i = 0; i < 4; ++i) sizeField |= std::uint32_t{buffer[i]} << (8 * i);
  if (sizeField != DetailDataFixedSize()) return Fail(error::kInvalidUserBuffer);
  std::memcpy(buffer.data() + 4, path.data(), path.size());
  buffer[4 + path.size()] = 0;
  return Succeed();
}

bool SimPlatform::DestroyDeviceInfoList(Handle set) {
  if (!objects_.DestroySet(set)) return Fail(error::kInvalidHandle);
  return Succeed();
}

Handle SimPlatform::OpenDevice(const std::string& path, OpenMode mode) {
  for (std::size_t i = 0; i < devices_.size(); ++i) {
    const SimDevice& d = devices_[i];
    if (d.path != path) continue;
    if (d.isBoard && !plugged_) break;
    if (d.refusesReadWrite && mode != OpenMode::kQueryOnly) {
      Fail(error::kAccessDenied);
      return kInvalidHandle;
    }
    Object object{Object::Kind::kDevice, {}, {i, generation_, mode, 0}, {}};
    Succeed();
    return objects_.NewHandle(std::move(object));
  }
  Fail(error::kFileNotFound);
  return kInvalidHandle;
}

bool SimPlatform::GetAttributes(Handle device, Attributes& attributes) {
  const Object* o = objects_.Find(device, Object::Kind::kDevice);
  if (!o) return Fail(error::kInvalidHandle);
  if (!DeviceAlive(o->device)) return Fail(error::kDeviceNotConnected);
  attributes = devices_[o->device.device].attributes;
  return Succeed();
}

bool SimPlatform::GetPreparsedData(Handle device, std::intptr_t& preparsed) {
  const Object* o = objects_.Find(device, Object::Kind::kDevice);
  if (!o) return Fail(error::kInvalidHandle);
  if (!DeviceAlive(o->device)) return Fail(error::kDeviceNotConnected);
  preparsed = nextPreparsed_;
  nextPreparsed_ += 0x40;
  preparsed_[preparsed] = o->device.device;
  return Succeed();
}

bool SimPlatform::GetCaps(std::intptr_t preparsed, Caps& caps) {
  auto it = preparsed_.find(preparsed);
  if (it == preparsed_.end()) return Fail(error::kInvalidParameter);
  caps = devices_[it->second].caps;
  return Succeed();
}

bool SimPlatform::GetInputValueCaps(std::intptr_t preparsed, ValueCapsScratch& scratch,
                                    std::uint16_t& count) {
  auto it = preparsed_.find(preparsed);
  if (it == preparsed_.end()) return Fail(error::kInvalidParameter);
  count = std::min({count, devices_[it->second].inputValueCaps, ValueCapsScratch::kCapacity});
  std::fill(std::begin(scratch.bytes), std::end(scratch.bytes), std::byte{0});
  return Succeed();
}

bool SimPlatform::FreePreparsedData(std::intptr_t preparsed) {
  if (preparsed_.erase(preparsed) == 0) return Fail(error::kInvalidParameter);
  return Succeed();
}

Handle SimPlatform::CreateReadEvent() {
  Succeed();
  return objects_.NewHandle(Object{Object::Kind::kEvent, {}, {}, {}});
}

bool SimPlatform::WriteFile(Handle device, std::span<const std::uint8_t> report,
                            std::uint32_t& bytesWritten) {
  bytesWritten = 0;
  Object* o = objects_.Find(device, Object::Kind::kDevice);
  if (!o || o->device.mode == OpenMode::kQueryOnly) return Fail(error::kInvalidHandle);
  if (!DeviceAlive(o->device)) return Fail(error::kDeviceNotConnected);
  const SimDevice& d = devices_[o->device.device];
  if (!d.isBoard) return Fail(error::kInvalidParameter);
  if (failNextWrite_) {
    failNextWrite_ = false;
    return Fail(error::kGenFailure);
  }
  if (report.size() != d.caps.OutputReportByteLength || !board_.Accept(report))
    return Fail(error::kInvalidParameter);
  bytesWritten = static_cast<std::uint32_t>(report.size());
  return Succeed();
}

void SimPlatform::CompleteRead(EventObject& event, std::vector<std::uint8_t> report) {
  PendingRead& p = *event.pending;
  const std::size_t n = std::min(report.size(), p.buffer.size());
  std::copy_n(report.begin(), n, p.buffer.begin());
  objects_.Find(p.device, Object::Kind::kDevice)->device.lastTransfer =
      static_cast<std::uint32_t>(n);
  event.pending.reset();
  event.signalled = true;
}

bool SimPlatform::ReadFile(Handle device, std::span<std::uint8_t> buffer, std::uint32_t& bytesRead,
                           Overlapped& overlapped) {
  bytesRead = 0;
  Object* o = objects_.Find(device, Object::Kind::kDevice);
  Object* e = objects_.Find(overlapped.hEvent, Object::Kind::kEvent);
  if (!o || o->device.mode != OpenMode::kOverlappedRead || !e) return Fail(error::kInvalidHandle);
  EventObject& event = e->event;
  event.lastReader = device;
  event.signalled = false;  // starting a request resets its event
  if (!DeviceAlive(o->device)) return Fail(error::kDeviceNotConnected);
  if (!devices_[o->device.device].isBoard) return Fail(error::kIoPending);  // never answers
  if (buffer.size() < SimBoard::kReportLength) return Fail(error::kInvalidUserBuffer);
  event.pending = PendingRead{device, buffer};
  if (auto report = board_.TakeInputReport()) {
    CompleteRead(event, std::move(*report));
    bytesRead = o->device.lastTransfer;
    return Succeed();
  }
  return Fail(error::kIoPending);
}

bool SimPlatform::GetOverlappedResult(Handle device, Overlapped& overlapped,
                                      std::uint32_t& bytesTransferred) {
  const Object* o = objects_.Find(device, Object::Kind::kDevice);
  const Object* e = objects_.Find(overlapped.hEvent, Object::Kind::kEvent);
  if (!o || !e) return Fail(error::kInvalidHandle);
  if (e->event.pending) return Fail(error::kIoPending);
  bytesTransferred = o->device.lastTransfer;
  return Succeed();
}

std::uint32_t SimPlatform::WaitForSingleObject(Handle event, std::uint32_t milliseconds) {
  Object* e = objects_.Find(event, Object::Kind::kEvent);
  if (!e || failNextWait_) {
    failNextWait_ = false;
    Fail(error::kInvalidHandle);
    return kWaitFailed;
  }
  EventObject& ev = e->event;
  if (const Object* reader = objects_.Find(ev.lastReader, Object::Kind::kDevice);
      reader && !DeviceAlive(reader->device)) {
    Fail(error::kDeviceNotConnected);
    return kWaitFailed;
  }
  if (lateReport_) {
    board_.QueueInputReport(std::move(*lateReport_));
    lateReport_.reset();
  }
  if (!ev.signalled && ev.pending) {
    if (auto report = board_.TakeInputReport()) CompleteRead(ev, std::move(*report));
  }
  if (ev.signalled) {
    Succeed();
    return kWaitObject0;
  }
  if (realTimeWaits_) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
  Succeed();
  return kWaitTimeout;
}

bool SimPlatform::CancelIo(Handle device) {
  if (!objects_.Find(device, Object::Kind::kDevice)) return Fail(error::kInvalidHandle);
  objects_.DropPendingReadsOn(device);
  return Succeed();
}

bool SimPlatform::ResetEvent(Handle event) {
  Object* e = objects_.Find(event, Object::Kind::kEvent);
  if (!e) return Fail(error::kInvalidHandle);
  e->event.signalled = false;
  return Succeed();
}

bool SimPlatform::CloseHandle(Handle handle) {
  if (!objects_.Close(handle)) return Fail(error::kInvalidHandle);
  return Succeed();
}

std::uint32_t SimPlatform::FormatSystemMessage(std::uint32_t code, std::span<char> buffer) const {
  const auto o = textOverrides_.find(code);
  const std::string_view text =
      o != textOverrides_.end() ? std::string_view(o->second) : WindowsSystemText(code);
  if (text.empty() || text.size() + 1 > buffer.size()) return 0;
  std::copy(text.begin(), text.end(), buffer.begin());
  buffer[text.size()] = '\0';
  return static_cast<std::uint32_t>(text.size());
}

}  // namespace ql::hidlink::sim
