#include "hidlink/linux/hidraw_platform.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <climits>
#include <cstring>
#include <fstream>
#include <thread>

#include "hidlink/linux/report_descriptor.h"

namespace ql::hidlink {
namespace hidraw {
namespace {

// Linux has no device-interface classes; the trace shows the HID interface
// class under the name Windows gives it, so that it reads the same.
constexpr Guid kHidInterfaceClass{
    0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};
constexpr std::uint32_t kInterfaceDataSize = 28;
constexpr std::uint32_t kInterfaceActive = 1;
constexpr std::uint32_t kInfinite = 0xFFFFFFFF;
// Larger than any report hidraw hands out (HID_MAX_BUFFER_SIZE), plus the ID
// byte we may add.
constexpr std::size_t kScratchSize = 16384 + 1;
// The "in progress" code of a request left pending.
constexpr int kPending = EINPROGRESS;

bool SameGuid(const Guid& a, const Guid& b) {
  return a.Data1 == b.Data1 && a.Data2 == b.Data2 && a.Data3 == b.Data3 &&
         std::equal(std::begin(a.Data4), std::end(a.Data4), std::begin(b.Data4));
}

// "hidraw12" gives 12; other names give nothing.
std::optional<unsigned> NodeNumber(std::string_view name) {
  constexpr std::string_view kPrefix = "hidraw";
  if (name.size() <= kPrefix.size() || name.substr(0, kPrefix.size()) != kPrefix) return {};
  unsigned number = 0;
  const char* first = name.data() + kPrefix.size();
  const char* last = name.data() + name.size();
  const auto [end, ec] = std::from_chars(first, last, number);
  if (ec != std::errc() || end != last) return {};
  return number;
}

std::string ReadSmallFile(const std::filesystem::path& path) {
  std::ifstream in(path);
  std::string text;
  if (in) std::getline(in, text, '\0');
  return text;
}

std::optional<std::uint32_t> ParseHex(std::string_view text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.remove_suffix(1);
  std::uint32_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
  if (ec != std::errc() || end != text.data() + text.size() || text.empty()) return {};
  return value;
}

int OpenFlags(OpenMode mode) {
  switch (mode) {
    case OpenMode::kWrite:
      return O_RDWR | O_CLOEXEC;
    case OpenMode::kOverlappedRead:
      return O_RDWR | O_NONBLOCK | O_CLOEXEC;
    case OpenMode::kQueryOnly:
      break;
  }
  return O_RDONLY | O_NONBLOCK | O_CLOEXEC;
}

}  // namespace

int NodeCalls::Open(const std::string& path, int flags) {
  return ::open(path.c_str(), flags);
}

int NodeCalls::GetRawInfo(int fd, hidraw_devinfo& info) {
  return ::ioctl(fd, HIDIOCGRAWINFO, &info);
}

int NodeCalls::GetDescriptor(int fd, std::vector<std::uint8_t>& descriptor) {
  int size = 0;
  if (::ioctl(fd, HIDIOCGRDESCSIZE, &size) < 0) return -1;
  hidraw_report_descriptor raw{};
  raw.size = static_cast<std::uint32_t>(std::clamp(size, 0, HID_MAX_DESCRIPTOR_SIZE));
  if (::ioctl(fd, HIDIOCGRDESC, &raw) < 0) return -1;
  descriptor.assign(raw.value, raw.value + raw.size);
  return 0;
}

HidrawPlatform::HidrawPlatform(Places places, std::unique_ptr<NodeCalls> calls)
    : places_(std::move(places)), calls_(std::move(calls)), scratch_(kScratchSize) {}

HidrawPlatform::~HidrawPlatform() {
  for (auto& [handle, object] : objects_)
    if (object.kind == Object::Kind::kDevice && object.device.fd >= 0) ::close(object.device.fd);
}

bool HidrawPlatform::Fail(int code) {
  lastError_ = static_cast<std::uint32_t>(code);
  return false;
}

bool HidrawPlatform::Succeed() {
  lastError_ = 0;
  return true;
}

Guid HidrawPlatform::GetHidGuid() {
  Succeed();
  return kHidInterfaceClass;
}

Handle HidrawPlatform::GetClassDevs(const Guid& classGuid) {
  Object set{Object::Kind::kDeviceInfoSet, {}, {}, {}};
  std::vector<std::pair<unsigned, std::string>> nodes;
  std::error_code ec;
  if (SameGuid(classGuid, kHidInterfaceClass)) {
    for (const auto& entry : std::filesystem::directory_iterator(places_.hidrawClass, ec)) {
      std::string name = entry.path().filename().string();
      if (auto number = NodeNumber(name)) nodes.emplace_back(*number, std::move(name));
    }
  }
  // No hidraw class at all (no HID device ever seen) is an empty set, as
  // on a machine without HID interfaces.
  std::sort(nodes.begin(), nodes.end());
  for (auto& [number, name] : nodes) set.members.push_back(std::move(name));
  Succeed();
  return objects_.NewHandle(std::move(set));
}

bool HidrawPlatform::EnumDeviceInterfaces(Handle set, const Guid&, std::uint32_t index,
                                          InterfaceData& data) {
  const Object* s = objects_.Find(set, Object::Kind::kDeviceInfoSet);
  if (!s) return Fail(EBADF);
  if (data.cbSize != kInterfaceDataSize) return Fail(EINVAL);
  if (index >= s->members.size()) return Fail(ENOENT);
  data.InterfaceClassGuid = kHidInterfaceClass;
  data.Flags = kInterfaceActive;
  data.Reserved = index;
  return Succeed();
}

bool HidrawPlatform::GetDeviceInterfaceDetail(Handle set, const InterfaceData& data,
                                              std::span<std::uint8_t> buffer,
                                              std::uint32_t& requiredSize) {
  const Object* s = objects_.Find(set, Object::Kind::kDeviceInfoSet);
  if (!s) return Fail(EBADF);
  if (data.Reserved >= s->members.size()) return Fail(EINVAL);
  const std::string path = (places_.devices / s->members[data.Reserved]).string();
  const auto required = static_cast<std::uint32_t>(4 + path.size() + 1);
  requiredSize = required;
  if (buffer.size() < required) return Fail(ERANGE);
  std::uint32_t sizeField = 0;
  for (int i = 0; i < 4; ++i) sizeField |= std::uint32_t{buffer[i]} << (8 * i);
  if (sizeField != DetailDataFixedSize()) return Fail(EINVAL);
  std::copy(path.begin(), path.end(), buffer.begin() + 4);
  buffer[4 + path.size()] = 0;
  return Succeed();
}

bool HidrawPlatform::DestroyDeviceInfoList(Handle set) {
  if (!objects_.DestroySet(set)) return Fail(EBADF);
  return Succeed();
}

Handle HidrawPlatform::OpenDevice(const std::string& path, OpenMode mode) {
  DeviceObject device;
  device.mode = mode;
  device.node = std::filesystem::path(path).filename().string();
  device.fd = calls_->Open(path, OpenFlags(mode));
  if (device.fd < 0) {
    const int error = errno;
    // Asking who a device is needs no access to it: sysfs tells.
    const bool mayAskSysfs = mode == OpenMode::kQueryOnly && (error == EACCES || error == EPERM);
    if (!mayAskSysfs || !NodeNumber(device.node)) {
      Fail(error);
      return kInvalidHandle;
    }
  } else {
    std::vector<std::uint8_t> descriptor;
    if (calls_->GetDescriptor(device.fd, descriptor) == 0)
      device.numberedReports = ParseReportDescriptor(descriptor).numberedReports;
  }
  Succeed();
  return objects_.NewHandle(Object{Object::Kind::kDevice, {}, std::move(device), {}});
}

std::optional<std::uint16_t> HidrawPlatform::VersionOf(const std::string& node) const {
  // hidrawN/device is the HID device; above it sit the USB interface and the
  // USB device, which has the version. Other buses have none there.
  std::error_code ec;
  const auto hid = std::filesystem::canonical(places_.hidrawClass / node / "device", ec);
  if (ec) return {};
  const auto version = ParseHex(ReadSmallFile(hid.parent_path().parent_path() / "bcdDevice"));
  if (!version) return {};
  return static_cast<std::uint16_t>(*version);
}

bool HidrawPlatform::AttributesFromSysfs(const std::string& node, Attributes& attributes) const {
  // uevent of the HID device: HID_ID=BUS:VENDOR:PRODUCT, eight hex digits each.
  const std::string uevent = ReadSmallFile(places_.hidrawClass / node / "device" / "uevent");
  const auto at = uevent.find("HID_ID=");
  if (at == std::string::npos) return false;
  const std::string_view id = std::string_view(uevent).substr(at + 7, 22);
  if (id.size() != 22 || id[4] != ':' || id[13] != ':') return false;
  const auto vendor = ParseHex(id.substr(5, 8));
  const auto product = ParseHex(id.substr(14, 8));
  if (!vendor || !product) return false;
  attributes.VendorID = static_cast<std::uint16_t>(*vendor);
  attributes.ProductID = static_cast<std::uint16_t>(*product);
  attributes.VersionNumber = VersionOf(node).value_or(0);
  return true;
}

bool HidrawPlatform::GetAttributes(Handle device, Attributes& attributes) {
  const Object* o = objects_.Find(device, Object::Kind::kDevice);
  if (!o) return Fail(EBADF);
  if (o->device.fd < 0) {
    Attributes found = attributes;
    if (!AttributesFromSysfs(o->device.node, found)) return Fail(ENODEV);
    attributes = found;
    return Succeed();
  }
  hidraw_devinfo info{};
  if (calls_->GetRawInfo(o->device.fd, info) < 0) return Fail(errno);
  // The kernel declares both as signed 16-bit fields.
  attributes.VendorID = static_cast<std::uint16_t>(info.vendor & 0xFFFF);
  attributes.ProductID = static_cast<std::uint16_t>(info.product & 0xFFFF);
  attributes.VersionNumber = VersionOf(o->device.node).value_or(0);
  return Succeed();
}

bool HidrawPlatform::GetPreparsedData(Handle device, std::intptr_t& preparsed) {
  const Object* o = objects_.Find(device, Object::Kind::kDevice);
  if (!o || o->device.fd < 0) return Fail(EBADF);
  std::vector<std::uint8_t> descriptor;
  if (calls_->GetDescriptor(o->device.fd, descriptor) < 0) return Fail(errno);
  preparsed = nextPreparsed_;
  nextPreparsed_ += 0x40;
  preparsed_[preparsed] = ParseReportDescriptor(descriptor).caps;
  return Succeed();
}

bool HidrawPlatform::GetCaps(std::intptr_t preparsed, Caps& caps) {
  const auto it = preparsed_.find(preparsed);
  if (it == preparsed_.end()) return Fail(EINVAL);
  caps = it->second;
  return Succeed();
}

bool HidrawPlatform::GetInputValueCaps(std::intptr_t preparsed, ValueCapsScratch& scratch,
                                       std::uint16_t& count) {
  const auto it = preparsed_.find(preparsed);
  if (it == preparsed_.end()) return Fail(EINVAL);
  // The entries' contents are the Windows parser's; the link reads only the
  // count.
  count = std::min({count, it->second.NumberInputValueCaps, ValueCapsScratch::kCapacity});
  std::fill(std::begin(scratch.bytes), std::end(scratch.bytes), std::byte{0});
  return Succeed();
}

bool HidrawPlatform::FreePreparsedData(std::intptr_t preparsed) {
  if (preparsed_.erase(preparsed) == 0) return Fail(EINVAL);
  return Succeed();
}

Handle HidrawPlatform::CreateReadEvent() {
  Succeed();
  return objects_.NewHandle(Object{Object::Kind::kEvent, {}, {}, {}});
}

bool HidrawPlatform::WriteFile(Handle device, std::span<const std::uint8_t> report,
                               std::uint32_t& bytesWritten) {
  bytesWritten = 0;
  const Object* o = objects_.Find(device, Object::Kind::kDevice);
  if (!o || o->device.fd < 0 || o->device.mode == OpenMode::kQueryOnly) return Fail(EBADF);
  if (report.empty()) return Fail(EINVAL);
  // hidraw takes the Windows shape as it is: byte 0 is the report ID, 0 for
  // an unnumbered device, and the kernel drops that 0 itself.
  ssize_t n;
  do {
    n = ::write(o->device.fd, report.data(), report.size());
  } while (n < 0 && errno == EINTR);
  if (n < 0) return Fail(errno);
  bytesWritten = static_cast<std::uint32_t>(n);
  return Succeed();
}

long HidrawPlatform::ReadReport(DeviceObject& device, std::span<std::uint8_t> buffer) {
  // Unnumbered reports come without an ID byte: read behind a 0.
  const std::size_t offset = device.numberedReports ? 0 : 1;
  ssize_t n;
  do {
    n = ::read(device.fd, scratch_.data() + offset, scratch_.size() - offset);
  } while (n < 0 && errno == EINTR);
  if (n < 0) return errno == EAGAIN ? 0 : -1;
  if (n == 0) {
    errno = ENODEV;
    return -1;
  }
  scratch_[0] = device.numberedReports ? scratch_[0] : 0;
  const std::size_t length = std::min(static_cast<std::size_t>(n) + offset, buffer.size());
  std::copy_n(scratch_.begin(), length, buffer.begin());
  device.lastTransfer = static_cast<std::uint32_t>(length);
  return static_cast<long>(length);
}

bool HidrawPlatform::ReadFile(Handle device, std::span<std::uint8_t> buffer,
                              std::uint32_t& bytesRead, Overlapped& overlapped) {
  bytesRead = 0;
  Object* o = objects_.Find(device, Object::Kind::kDevice);
  Object* e = objects_.Find(overlapped.hEvent, Object::Kind::kEvent);
  if (!o || o->device.fd < 0 || o->device.mode != OpenMode::kOverlappedRead || !e)
    return Fail(EBADF);
  if (buffer.empty()) return Fail(EINVAL);
  EventObject& event = e->event;
  event.signalled = false;  // starting a request resets its event
  event.pending.reset();
  event.readError = 0;
  const long n = ReadReport(o->device, buffer);
  if (n < 0) {
    event.readError = errno;
    return Fail(errno);
  }
  if (n > 0) {
    event.signalled = true;
    bytesRead = static_cast<std::uint32_t>(n);
    return Succeed();
  }
  event.pending = PendingRead{device, buffer};
  return Fail(kPending);
}

bool HidrawPlatform::GetOverlappedResult(Handle device, Overlapped& overlapped,
                                         std::uint32_t& bytesTransferred) {
  const Object* o = objects_.Find(device, Object::Kind::kDevice);
  const Object* e = objects_.Find(overlapped.hEvent, Object::Kind::kEvent);
  if (!o || !e) return Fail(EBADF);
  if (e->event.pending) return Fail(kPending);
  bytesTransferred = o->device.lastTransfer;
  return Succeed();
}

std::uint32_t HidrawPlatform::WaitForSingleObject(Handle event, std::uint32_t milliseconds) {
  Object* e = objects_.Find(event, Object::Kind::kEvent);
  if (!e) {
    Fail(EBADF);
    return kWaitFailed;
  }
  EventObject& ev = e->event;
  if (ev.signalled) {
    Succeed();
    return kWaitObject0;
  }
  if (ev.readError != 0) {
    Fail(ev.readError);
    return kWaitFailed;
  }
  using Clock = std::chrono::steady_clock;
  const bool forever = milliseconds == kInfinite;
  const auto deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
  Object* reader = ev.pending ? objects_.Find(ev.pending->device, Object::Kind::kDevice) : nullptr;
  if (!reader) {
    // Nothing will ever signal this event: a plain time-out.
    if (!forever) std::this_thread::sleep_until(deadline);
    Succeed();
    return kWaitTimeout;
  }
  for (;;) {
    int timeout = -1;
    if (!forever) {
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
      timeout = static_cast<int>(std::clamp<std::int64_t>(left.count(), 0, INT_MAX));
    }
    pollfd p{reader->device.fd, POLLIN, 0};
    const int ready = ::poll(&p, 1, timeout);
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) return FinishWait(ev, -1);
    if (ready == 0) {
      Succeed();
      return kWaitTimeout;
    }
    // Reports still queued are read even from a node that went away.
    if (p.revents & POLLIN) {
      const long n = ReadReport(reader->device, ev.pending->buffer);
      if (n != 0) return FinishWait(ev, n);
      continue;  // another reader took it
    }
    errno = ENODEV;  // POLLERR, POLLHUP, POLLNVAL: the board was unplugged
    return FinishWait(ev, -1);
  }
}

std::uint32_t HidrawPlatform::FinishWait(EventObject& event, long result) {
  event.pending.reset();
  if (result < 0) {
    Fail(errno);
    return kWaitFailed;
  }
  event.signalled = true;
  Succeed();
  return kWaitObject0;
}

bool HidrawPlatform::CancelIo(Handle device) {
  if (!objects_.Find(device, Object::Kind::kDevice)) return Fail(EBADF);
  // Reads happen only inside a wait, so a dropped request can no longer
  // touch its buffer.
  objects_.DropPendingReadsOn(device);
  return Succeed();
}

bool HidrawPlatform::ResetEvent(Handle event) {
  Object* e = objects_.Find(event, Object::Kind::kEvent);
  if (!e) return Fail(EBADF);
  e->event.signalled = false;
  return Succeed();
}

bool HidrawPlatform::CloseHandle(Handle handle) {
  const std::optional<Object> closed = objects_.Close(handle);
  if (!closed) return Fail(EBADF);
  const int fd = closed->kind == Object::Kind::kDevice ? closed->device.fd : -1;
  // Linux closes the descriptor even when close reports an error.
  if (fd >= 0 && ::close(fd) < 0 && errno != EINTR) return Fail(errno);
  return Succeed();
}

std::uint32_t HidrawPlatform::FormatSystemMessage(std::uint32_t code,
                                                  std::span<char> buffer) const {
  if (code > static_cast<std::uint32_t>(INT_MAX)) return 0;
  // Single-threaded program: strerror's static buffer is ours alone.
  const std::string text = std::string(std::strerror(static_cast<int>(code))) + "\r\n";
  if (text.size() + 1 > buffer.size()) return 0;
  std::copy(text.begin(), text.end(), buffer.begin());
  buffer[text.size()] = '\0';
  return static_cast<std::uint32_t>(text.size());
}

}  // namespace hidraw
}  // namespace ql::hidlink
