#include "hidlink/linux/hidraw_devices.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <climits>
#include <cstring>
#include <fstream>
#include <optional>
#include <thread>

namespace ql::hidlink::hidraw {
namespace {

constexpr std::uint32_t kInfinite = 0xFFFFFFFF;
// More than the kernel queues for one reader (64); a flush never spins.
constexpr int kMaxFlushedReports = 1024;

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

// sysfs attributes are a page at most, a report descriptor 4 KiB: more than
// that is not what we asked for.
std::string ReadSmallFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  char chunk[4096];
  std::string text;
  while (in && text.size() <= 65536) {
    in.read(chunk, sizeof chunk);
    text.append(chunk, static_cast<std::size_t>(in.gcount()));
  }
  return text.size() > 65536 ? std::string() : text;
}

// A sysfs text attribute without its line end.
std::string ReadAttribute(const std::filesystem::path& path) {
  std::string text = ReadSmallFile(path);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\0')) text.pop_back();
  return text;
}

// The value of KEY= in a uevent file's text, empty when it has none.
std::string UeventValue(std::string_view uevent, std::string_view key) {
  for (std::size_t at = 0; at < uevent.size();) {
    std::size_t end = uevent.find('\n', at);
    if (end == std::string_view::npos) end = uevent.size();
    const std::string_view line = uevent.substr(at, end - at);
    if (line.size() > key.size() && line.substr(0, key.size()) == key && line[key.size()] == '=')
      return std::string(line.substr(key.size() + 1));
    at = end + 1;
  }
  return {};
}

// Who the device is and where it is plugged in. A HID device on USB sits
// under its USB interface and USB device; the USB device has the strings and
// is named for its port ("1-2.3"). Other buses (uhid, Bluetooth) give only
// the HID core's name and unique id.
void DescribeOwner(const std::filesystem::path& hid, std::string_view uevent, DeviceInfo& info) {
  const std::filesystem::path usb = hid.parent_path().parent_path();
  std::error_code ec;
  if (std::filesystem::exists(usb / "busnum", ec)) {
    info.manufacturer = ReadAttribute(usb / "manufacturer");
    info.productName = ReadAttribute(usb / "product");
    info.serial = ReadAttribute(usb / "serial");
    info.port = usb.filename().string();
    return;
  }
  info.productName = UeventValue(uevent, "HID_NAME");
  info.serial = UeventValue(uevent, "HID_UNIQ");
}

std::optional<std::uint32_t> ParseHex(std::string_view text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.remove_suffix(1);
  std::uint32_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
  if (ec != std::errc() || end != text.data() + text.size() || text.empty()) return {};
  return value;
}

using Clock = std::chrono::steady_clock;

// The end of a wait of `milliseconds`; none for kInfinite.
std::optional<Clock::time_point> Deadline(std::uint32_t milliseconds) {
  if (milliseconds == kInfinite) return std::nullopt;
  return Clock::now() + std::chrono::milliseconds(milliseconds);
}

// poll(2) on one descriptor for input until `deadline`, through signals:
// above 0 with `events` set when something came, 0 at the deadline, below 0
// with errno on failure.
int PollUntil(int fd, std::optional<Clock::time_point> deadline, short& events) {
  for (;;) {
    int timeout = -1;
    if (deadline) {
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(*deadline - Clock::now());
      timeout = static_cast<int>(std::clamp<std::int64_t>(left.count(), 0, INT_MAX));
    }
    pollfd p{fd, POLLIN, 0};
    const int ready = ::poll(&p, 1, timeout);
    if (ready < 0 && errno == EINTR) continue;
    events = p.revents;
    return ready;
  }
}

// One open node. A node opened only to learn who it is has no descriptor.
class Node final : public HidDevice {
 public:
  explicit Node(int fd) : fd_(fd) {}
  ~Node() override {
    if (fd_ >= 0) ::close(fd_);
  }
  Node(const Node&) = delete;
  Node& operator=(const Node&) = delete;

  DeviceResult Write(std::span<const std::uint8_t> report) override {
    if (fd_ < 0) return {0, EBADF};
    // hidraw's own convention matches ours: byte 0 is the report ID, 0 for a
    // device without IDs, which the kernel does not send.
    ssize_t n;
    do {
      n = ::write(fd_, report.data(), report.size());
    } while (n < 0 && errno == EINTR);
    if (n < 0) return {0, static_cast<DeviceError>(errno)};
    return {static_cast<std::size_t>(n), 0};
  }

  DeviceResult Read(std::span<std::uint8_t> buffer) override {
    if (fd_ < 0) return {0, EBADF};
    ssize_t n;
    do {
      n = ::read(fd_, buffer.data(), buffer.size());
    } while (n < 0 && errno == EINTR);
    if (n < 0) return {0, errno == EAGAIN ? 0 : static_cast<DeviceError>(errno)};
    // End of file: the device is gone.
    if (n == 0) return {0, ENODEV};
    return {static_cast<std::size_t>(n), 0};
  }

  WaitResult WaitReadable(std::uint32_t milliseconds, DeviceError& error) override {
    if (fd_ < 0) {
      error = EBADF;
      return WaitResult::kFailed;
    }
    short events = 0;
    const int ready = PollUntil(fd_, Deadline(milliseconds), events);
    if (ready < 0) {
      error = static_cast<DeviceError>(errno);
      return WaitResult::kFailed;
    }
    if (ready == 0) return WaitResult::kTimedOut;
    // Reports still queued are read even from a node that went away.
    if (events & POLLIN) return WaitResult::kReadable;
    error = ENODEV;  // POLLERR, POLLHUP, POLLNVAL: the device was unplugged
    return WaitResult::kFailed;
  }

  void Flush() override {
    std::uint8_t report[4096];
    for (int i = 0; i < kMaxFlushedReports && Read(report).length > 0; ++i) {
    }
  }

 private:
  int fd_;
};

}  // namespace

HidrawDevices::HidrawDevices(Places places, OpenCall open)
    : places_(std::move(places)), open_(std::move(open)) {
  if (!open_)
    open_ = [](const std::string& path, int flags) { return ::open(path.c_str(), flags); };
}

std::vector<DeviceInfo> HidrawDevices::Enumerate() {
  std::vector<std::pair<unsigned, std::string>> nodes;
  std::error_code ec;
  // No hidraw class at all (no HID device ever seen) is a machine without
  // HID devices.
  for (const auto& entry : std::filesystem::directory_iterator(places_.hidrawClass, ec)) {
    std::string name = entry.path().filename().string();
    if (auto number = NodeNumber(name)) nodes.emplace_back(*number, std::move(name));
  }
  std::sort(nodes.begin(), nodes.end());

  std::vector<DeviceInfo> present;
  for (const auto& [number, name] : nodes) {
    const std::filesystem::path device = places_.hidrawClass / name / "device";
    DeviceInfo info;
    info.path = (places_.devices / name).string();
    // uevent of the HID device: HID_ID=BUS:VENDOR:PRODUCT, eight hex digits
    // each.
    const std::string uevent = ReadSmallFile(device / "uevent");
    if (const auto at = uevent.find("HID_ID="); at != std::string::npos) {
      const std::string_view id = std::string_view(uevent).substr(at + 7, 22);
      if (id.size() == 22 && id[4] == ':' && id[13] == ':') {
        info.vendor = static_cast<std::uint16_t>(ParseHex(id.substr(5, 8)).value_or(0));
        info.product = static_cast<std::uint16_t>(ParseHex(id.substr(14, 8)).value_or(0));
      }
    }
    // Above the HID device sit the USB interface and the USB device, which
    // has the version. Other buses have none there.
    const auto hid = std::filesystem::canonical(device, ec);
    if (!ec) {
      info.version = static_cast<std::uint16_t>(
          ParseHex(ReadSmallFile(hid.parent_path().parent_path() / "bcdDevice")).value_or(0));
      DescribeOwner(hid, uevent, info);
    }
    const std::string descriptor = ReadSmallFile(device / "report_descriptor");
    info.descriptor.assign(descriptor.begin(), descriptor.end());
    present.push_back(std::move(info));
  }
  return present;
}

HidrawDevices::~HidrawDevices() {
  if (inotify_ >= 0) ::close(inotify_);
}

bool HidrawDevices::WaitForChange(std::uint32_t milliseconds) {
  if (inotify_ < 0) {
    inotify_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (inotify_ >= 0 &&
        ::inotify_add_watch(inotify_, places_.devices.c_str(),
                            IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO) < 0) {
      ::close(inotify_);
      inotify_ = -1;
    }
  }
  if (inotify_ < 0) {
    // No inotify (or no devices folder to watch): look again every second.
    std::this_thread::sleep_for(
        std::chrono::milliseconds(std::min<std::uint32_t>(milliseconds, 1000)));
    return true;
  }
  const auto deadline = Deadline(milliseconds);
  for (;;) {
    short polled = 0;
    if (PollUntil(inotify_, deadline, polled) <= 0) return false;
    // Every event waiting is read: a storm of plugs is one change.
    bool changed = false;
    alignas(inotify_event) char events[16 * (sizeof(inotify_event) + NAME_MAX + 1)];
    for (;;) {
      const ssize_t n = ::read(inotify_, events, sizeof events);
      if (n <= 0) break;
      for (ssize_t at = 0; at < n;) {
        const auto* event = reinterpret_cast<const inotify_event*>(events + at);
        // The queue overflowed: anything may have happened.
        if (event->mask & IN_Q_OVERFLOW) changed = true;
        if (event->len > 0 && NodeNumber(event->name)) changed = true;
        at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
      }
    }
    if (changed) return true;
  }
}

OpenResult HidrawDevices::Open(const std::string& path, Access access) {
  if (access == Access::kQuery) {
    // Who a device is, sysfs tells without opening it.
    const std::string node = std::filesystem::path(path).filename().string();
    std::error_code ec;
    if (!NodeNumber(node) || !std::filesystem::exists(places_.hidrawClass / node, ec))
      return {nullptr, ENOENT};
    return {std::make_unique<Node>(-1), 0};
  }
  const int fd = open_(path, O_RDWR | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return {nullptr, static_cast<DeviceError>(errno)};
  return {std::make_unique<Node>(fd), 0};
}

std::string HidrawDevices::ErrorText(DeviceError code) const {
  if (code > static_cast<DeviceError>(INT_MAX)) return {};
  // Single-threaded use: strerror's static buffer is ours alone.
  return std::strerror(static_cast<int>(code));
}

ErrorCodes HidrawDevices::Codes() const {
  return {EBADF, EINVAL, ENOENT, ERANGE, EINPROGRESS, EINVAL};
}

}  // namespace ql::hidlink::hidraw
