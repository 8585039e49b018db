// hidraw as the kernel shows it: a sysfs tree of our own making, and for each
// node a sequenced-packet socket pair, which like hidraw moves one whole
// report per read and write; closing the board's end is an unplug.
#include "hidlink/linux/hidraw_devices.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <map>
#include <set>
#include <thread>

#include "board/board_identity.h"
#include "hidlink/emulated_platform.h"
#include "hidlink/interface_list.h"
#include "hidlink/text_helpers.h"

namespace ql::hidlink::hidraw {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using std::chrono::milliseconds;

const Bytes kBoard(board::kBoardReportDescriptor.begin(), board::kBoardReportDescriptor.end());
// One unnumbered 4-byte input report.
const Bytes kUnnumbered = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x75,
                           0x08, 0x95, 0x04, 0x09, 0x01, 0x81, 0x02, 0xC0};

class HidrawTest : public ::testing::Test {
 protected:
  HidrawTest() {
    signal(SIGPIPE, SIG_IGN);  // a write to an unplugged fake is EPIPE, not death
    char pattern[] = "/tmp/ql-hidraw-XXXXXX";
    root_ = ::mkdtemp(pattern);
  }
  ~HidrawTest() override {
    for (auto& [path, fds] : nodes_)
      for (int fd : {fds.first, fds.second}) ::close(fd);  // -1 after an unplug
    fs::remove_all(root_);
  }

  // hidrawN: its HID device under a USB device of version 2.00. Returns the
  // board's end of the node.
  int& AddNode(unsigned n, std::uint16_t vendor, std::uint16_t product, const Bytes& descriptor) {
    const std::string name = "hidraw" + std::to_string(n);
    const fs::path usb = root_ / "devices" / name / "1-1";
    const fs::path hid = usb / "1-1:1.0" / "0003:0483:0003.0001";
    fs::create_directories(hid);
    fs::create_directories(root_ / "class" / name);
    fs::create_directory_symlink(hid, root_ / "class" / name / "device");
    std::ofstream(usb / "bcdDevice") << "0200\n";
    std::ofstream(hid / "report_descriptor", std::ios::binary)
        .write(reinterpret_cast<const char*>(descriptor.data()),
               static_cast<std::streamsize>(descriptor.size()));
    char id[40];
    std::snprintf(id, sizeof id, "HID_ID=0003:%08X:%08X\n", vendor, product);
    // HID_ID last: nothing after its value may be needed to read it.
    std::ofstream(hid / "uevent") << "DRIVER=hid-generic\nHID_NAME=x\n" << id;
    int pair[2];
    EXPECT_EQ(::socketpair(AF_UNIX, SOCK_SEQPACKET, 0, pair), 0);
    nodes_[Path(n)] = {pair[0], pair[1]};
    return nodes_[Path(n)].first;
  }

  std::unique_ptr<EmulatedPlatform> MakePlatform() {
    auto open = [this](const std::string& path, int flags) {
      if (denied_.count(path)) return errno = EACCES, -1;
      const auto it = nodes_.find(path);
      if (it == nodes_.end()) return errno = ENOENT, -1;
      const int fd = ::dup(it->second.second);
      ::fcntl(fd, F_SETFL, flags & O_NONBLOCK);
      return fd;
    };
    return std::make_unique<EmulatedPlatform>(
        std::make_unique<HidrawDevices>(Places{root_ / "class", root_ / "dev"}, open));
  }
  std::string Path(unsigned n) const {
    return (root_ / "dev" / ("hidraw" + std::to_string(n))).string();
  }

  fs::path root_;
  std::map<std::string, std::pair<int, int>> nodes_;
  std::set<std::string> denied_;
};

TEST_F(HidrawTest, ListsNodesInNumericOrderFromSysfsAlone) {
  AddNode(10, 0x046D, 0xC31C, kUnnumbered);
  AddNode(2, 0x0483, 0x0003, kBoard);
  denied_.insert(Path(2));  // no udev rule yet
  AddNode(0, 0x8086, 0x0001, kUnnumbered);
  fs::create_directories(root_ / "class" / "hidrawx");  // not a node
  auto platform = MakePlatform();

  const auto entries = ListInterfaces(*platform);
  const std::tuple<unsigned, std::uint16_t, std::uint16_t> expected[] = {
      {0, 0x8086, 0x0001}, {2, 0x0483, 0x0003}, {10, 0x046D, 0xC31C}};
  ASSERT_EQ(entries.size(), std::size(expected));
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const auto [n, vendor, product] = expected[i];
    EXPECT_EQ(entries[i].path, Path(n));
    ASSERT_TRUE(entries[i].attributes);
    EXPECT_TRUE(entries[i].Is(vendor, product));
    EXPECT_EQ(entries[i].attributes->VersionNumber, 0x0200);
  }
  // Sysfs answered for hidraw2 above; the link's own open needs access.
  EXPECT_EQ(platform->OpenDevice(Path(2), OpenMode::kWrite), kInvalidHandle);
  EXPECT_EQ(SystemErrorText(*platform, platform->LastError()), "Permission denied");
}

TEST_F(HidrawTest, NamesEachDeviceFromItsUsbDeviceOrElseFromTheHidCore) {
  // hidraw0 on USB, with the device's strings; hidraw1 on a bus without a
  // USB device above it (uhid, Bluetooth), with only the HID core's name
  // and unique id; hidraw2 on USB without strings.
  AddNode(0, 0x0483, 0x0003, kBoard);
  const fs::path usb0 = root_ / "devices" / "hidraw0" / "1-1";
  std::ofstream(usb0 / "busnum") << "1\n";
  std::ofstream(usb0 / "manufacturer") << "Maker\n";
  std::ofstream(usb0 / "product") << "QL8810 board\n";
  std::ofstream(usb0 / "serial") << "QL0001\n";
  AddNode(1, 0x0483, 0x0003, kBoard);
  std::ofstream(root_ / "devices" / "hidraw1" / "1-1" / "1-1:1.0" / "0003:0483:0003.0001" /
                "uevent")
      << "HID_NAME=QL8810 interface board (emulated)\nHID_UNIQ=QL0002\n"
      << "HID_ID=0003:00000483:00000003\n";
  AddNode(2, 0x0483, 0x0003, kBoard);
  std::ofstream(root_ / "devices" / "hidraw2" / "1-1" / "busnum") << "1\n";

  const auto entries = ListInterfaces(*MakePlatform());
  ASSERT_EQ(entries.size(), 3u);
  const struct {
    std::string manufacturer, product, serial, port;
  } expected[] = {{"Maker", "QL8810 board", "QL0001", "1-1"},
                  {"", "QL8810 interface board (emulated)", "QL0002", ""},
                  {"", "", "", "1-1"}};
  for (std::size_t i = 0; i < entries.size(); ++i) {
    EXPECT_EQ(entries[i].manufacturer, expected[i].manufacturer) << i;
    EXPECT_EQ(entries[i].product, expected[i].product) << i;
    EXPECT_EQ(entries[i].serial, expected[i].serial) << i;
    EXPECT_EQ(entries[i].port, expected[i].port) << i;
  }
}

TEST_F(HidrawTest, WaitForChangeSeesHidrawNodesComeAndGoAndNothingElse) {
  fs::create_directories(root_ / "dev");
  HidrawDevices devices(Places{root_ / "class", root_ / "dev"});
  EXPECT_FALSE(devices.WaitForChange(0));  // starts watching
  const auto touch = [&](const std::string& name) { std::ofstream(root_ / "dev" / name) << ""; };

  touch("ttyS0");
  touch("hidrawx");
  EXPECT_FALSE(devices.WaitForChange(50));
  touch("hidraw3");
  EXPECT_TRUE(devices.WaitForChange(5000));
  fs::remove(root_ / "dev" / "hidraw3");
  EXPECT_TRUE(devices.WaitForChange(5000));
  // A storm of plugs is one change, and nothing of it is left for the next
  // wait.
  for (int n = 10; n < 400; ++n) touch("hidraw" + std::to_string(n));
  EXPECT_TRUE(devices.WaitForChange(5000));
  EXPECT_FALSE(devices.WaitForChange(50));
}

TEST_F(HidrawTest, LinkFindsWritesAndReadsTheBoard) {
  AddNode(0, 0x046D, 0x0001, kUnnumbered);
  const int board = AddNode(1, 0x0483, 0x0003, kBoard);
  Link link(MakePlatform(), board::kBoardIdentity);
  link.LoadReportConstants();
  ASSERT_TRUE(link.FindTheHid());
  EXPECT_EQ(link.WriteReport(Bytes{1, 1, 6, 0, 0, 0, 0, 0}), 1);
  // Answers nobody read are dropped; the next one is read, its ID byte kept.
  for (std::uint8_t answer : {0x11, 0x22, 0x33}) {
    const Bytes report = {3, answer, 0, 0, 0, 0, 0, 0};
    ASSERT_EQ(::write(board, report.data(), 8), 8);
  }
  link.FlushInputReports();
  std::thread late([board] {
    std::this_thread::sleep_for(milliseconds(50));
    const Bytes report = {3, 1, 6, 0, 0, 0, 0, 0};
    EXPECT_EQ(::write(board, report.data(), 8), 8);
  });
  Bytes data;
  EXPECT_EQ(link.ReadUSBReport(data, 5000), 8);
  late.join();
  EXPECT_EQ(data, (Bytes{3, 1, 6, 0, 0, 0, 0, 0, 0}));
}

TEST_F(HidrawTest, UnpluggedNodeFailsTheWaitAndTheWrite) {
  int& board = AddNode(0, 0x1234, 0x5678, kUnnumbered);
  auto platform = MakePlatform();
  platform->GetClassDevs(platform->GetHidGuid());
  const Handle device = platform->OpenDevice(Path(0), OpenMode::kOverlappedRead);
  Overlapped overlapped{0, 0, platform->CreateReadEvent()};
  Bytes buffer(8, 0xEE);
  std::uint32_t n = 0;
  EXPECT_FALSE(platform->ReadFile(device, buffer, n, overlapped));
  EXPECT_EQ(platform->LastError(), static_cast<std::uint32_t>(EINPROGRESS));
  EXPECT_EQ(platform->WaitForSingleObject(overlapped.hEvent, 20), kWaitTimeout);
  std::thread unplug([&board] {
    std::this_thread::sleep_for(milliseconds(50));
    ::close(std::exchange(board, -1));
  });
  EXPECT_EQ(platform->WaitForSingleObject(overlapped.hEvent, 5000), kWaitFailed);
  unplug.join();
  EXPECT_EQ(platform->LastError(), static_cast<std::uint32_t>(ENODEV));
  EXPECT_EQ(buffer, Bytes(8, 0xEE));
  n = 7;
  EXPECT_FALSE(platform->WriteFile(device, Bytes{0, 1, 2, 3, 4}, n));
  EXPECT_EQ(n, 0u);
  EXPECT_NE(platform->LastError(), 0u);
}

}  // namespace
}  // namespace ql::hidlink::hidraw
