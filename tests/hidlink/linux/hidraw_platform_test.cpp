#include "hidlink/linux/hidraw_platform.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "emulator/board_descriptor.h"
#include "hidlink/interface_list.h"
#include "hidlink/link.h"
#include "hidlink/text_helpers.h"

namespace ql::hidlink::hidraw {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

const Bytes kBoardDescriptor(emulator::kBoardReportDescriptor.begin(),
                             emulator::kBoardReportDescriptor.end());
// One unnumbered 4-byte input report.
const Bytes kUnnumberedDescriptor = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x75,
                                     0x08, 0x95, 0x04, 0x09, 0x01, 0x81, 0x02, 0xC0};

// A node is a sequenced-packet socket pair: like hidraw, each read and write
// moves one whole report, and closing the board's end is an unplug.
struct FakeNode {
  int board = -1;  // the device's end, held by the test
  int host = -1;   // duplicated for every open of the node
  hidraw_devinfo info{};
  Bytes descriptor;
  int openError = 0;
};

class FakeCalls final : public NodeCalls {
 public:
  explicit FakeCalls(std::map<std::string, FakeNode*> nodes) : nodes_(std::move(nodes)) {}
  int Open(const std::string& path, int flags) override {
    auto it = nodes_.find(path);
    if (it == nodes_.end()) return errno = ENOENT, -1;
    if (it->second->openError) return errno = it->second->openError, -1;
    const int fd = ::dup(it->second->host);
    if (flags & O_NONBLOCK) ::fcntl(fd, F_SETFL, O_NONBLOCK);
    fds_[fd] = it->second;
    return fd;
  }
  int GetRawInfo(int fd, hidraw_devinfo& info) override {
    info = fds_.at(fd)->info;
    return 0;
  }
  int GetDescriptor(int fd, Bytes& descriptor) override {
    descriptor = fds_.at(fd)->descriptor;
    return 0;
  }

 private:
  std::map<std::string, FakeNode*> nodes_;
  std::map<int, FakeNode*> fds_;
};

class HidrawPlatformTest : public ::testing::Test {
 protected:
  void SetUp() override {
    signal(SIGPIPE, SIG_IGN);  // a write to an unplugged fake is EPIPE, not death
    char pattern[] = "/tmp/ql-hidraw-XXXXXX";
    root_ = ::mkdtemp(pattern);
    fs::create_directories(root_ / "class");
    fs::create_directories(root_ / "dev");
  }
  void TearDown() override {
    for (auto& [name, node] : nodes_) {
      if (node.board >= 0) ::close(node.board);
      ::close(node.host);
    }
    fs::remove_all(root_);
  }

  // hidrawN with a USB parent that has bcdDevice `version`.
  FakeNode& AddNode(unsigned n, std::int16_t vendor, std::int16_t product, Bytes descriptor) {
    const std::string name = "hidraw" + std::to_string(n);
    const fs::path usb = root_ / "devices" / ("usb" + std::to_string(n)) / "1-1";
    const fs::path hid = usb / "1-1:1.0" / "0003:0483:0003.0001";
    fs::create_directories(hid);
    std::ofstream(usb / "bcdDevice") << "0200\n";
    char id[64];
    std::snprintf(id, sizeof id, "HID_ID=0003:%08X:%08X\n", static_cast<unsigned>(vendor & 0xFFFF),
                  static_cast<unsigned>(product & 0xFFFF));
    std::ofstream(hid / "uevent") << "DRIVER=hid-generic\n" << id << "HID_NAME=x\n";
    fs::create_directories(root_ / "class" / name);
    fs::create_directory_symlink(hid, root_ / "class" / name / "device");
    FakeNode& node = nodes_[root_ / "dev" / name];
    int pair[2];
    EXPECT_EQ(::socketpair(AF_UNIX, SOCK_SEQPACKET, 0, pair), 0);
    node.board = pair[0];
    node.host = pair[1];
    node.info.bustype = 3;
    node.info.vendor = vendor;
    node.info.product = product;
    node.descriptor = std::move(descriptor);
    return node;
  }

  std::unique_ptr<HidrawPlatform> MakePlatform() {
    std::map<std::string, FakeNode*> byPath;
    for (auto& [path, node] : nodes_) byPath[path] = &node;
    return std::make_unique<HidrawPlatform>(Places{root_ / "class", root_ / "dev"},
                                            std::make_unique<FakeCalls>(std::move(byPath)));
  }

  static void Send(const FakeNode& node, const Bytes& report) {
    ASSERT_EQ(::write(node.board, report.data(), report.size()),
              static_cast<ssize_t>(report.size()));
  }
  static Bytes Receive(const FakeNode& node) {
    Bytes report(64);
    const ssize_t n = ::recv(node.board, report.data(), report.size(), MSG_DONTWAIT);
    report.resize(n < 0 ? 0 : static_cast<std::size_t>(n));
    return report;
  }
  static void Unplug(FakeNode& node) {
    ::close(node.board);
    node.board = -1;
  }

  fs::path root_;
  std::map<std::string, FakeNode> nodes_;
};

TEST_F(HidrawPlatformTest, ListsNodesInNumericOrderWithMaskedIdentifiers) {
  AddNode(10, 0x046D, static_cast<std::int16_t>(0xC31C), kUnnumberedDescriptor);
  AddNode(2, 0x0483, 0x0003, kBoardDescriptor).openError = EACCES;  // no udev rule yet
  AddNode(0, static_cast<std::int16_t>(0x8086), 0x0001, kUnnumberedDescriptor);
  fs::create_directories(root_ / "class" / "hidrawx");  // not a node
  auto platform = MakePlatform();

  const auto entries = ListInterfaces(*platform);
  ASSERT_EQ(entries.size(), 3u);
  const std::vector<std::pair<std::string, std::uint16_t>> expected = {
      {"hidraw0", 0x8086}, {"hidraw2", 0x0483}, {"hidraw10", 0x046D}};
  for (std::size_t i = 0; i < entries.size(); ++i) {
    EXPECT_EQ(entries[i].path, (root_ / "dev" / expected[i].first).string());
    ASSERT_TRUE(entries[i].attributes);
    EXPECT_EQ(entries[i].attributes->VendorID, expected[i].second);
    EXPECT_EQ(entries[i].attributes->VersionNumber, 0x0200);
  }
  EXPECT_EQ(entries[2].attributes->ProductID, 0xC31C);
  EXPECT_TRUE(entries[1].IsBoard());  // known through sysfs without access

  // The link itself needs access: the open fails and says why.
  EXPECT_EQ(platform->OpenDevice(entries[1].path, OpenMode::kWrite), kInvalidHandle);
  EXPECT_EQ(SystemErrorText(*platform, platform->LastError()), "Permission denied");
}

TEST_F(HidrawPlatformTest, LinkFindsWritesAndReadsTheBoard) {
  AddNode(0, 0x046D, 0x0001, kUnnumberedDescriptor);
  FakeNode& board = AddNode(1, 0x0483, 0x0003, kBoardDescriptor);
  Link link(MakePlatform());
  link.LoadReportConstants();

  ASSERT_TRUE(link.FindTheHid());
  EXPECT_EQ(link.Capabilities.InputReportByteLength, 8);
  EXPECT_EQ(link.Capabilities.OutputReportByteLength, 8);
  EXPECT_EQ(link.Capabilities.FeatureReportByteLength, 0);
  EXPECT_EQ(link.Capabilities.UsagePage, 0xFF00);

  const Bytes report = {1, 1, 6, 0, 0, 0, 0, 0};
  EXPECT_EQ(link.WriteReport(report), 1);
  EXPECT_EQ(Receive(board), report);  // the ID byte goes out as it is

  Send(board, {3, 1, 6, 0, 0, 0, 0, 0});
  std::vector<std::uint8_t> data;
  EXPECT_EQ(link.ReadUSBReport(data, 100), 8);
  EXPECT_EQ(data, (Bytes{3, 1, 6, 0, 0, 0, 0, 0, 0}));
  link.Shutdown();
}

TEST_F(HidrawPlatformTest, UnnumberedReportsGetAZeroIdByte) {
  FakeNode& node = AddNode(0, 0x1234, 0x5678, kUnnumberedDescriptor);
  auto platform = MakePlatform();
  const Handle device =
      platform->OpenDevice((root_ / "dev/hidraw0").string(), OpenMode::kOverlappedRead);
  Overlapped overlapped;
  overlapped.hEvent = platform->CreateReadEvent();

  Send(node, {0xA, 0xB, 0xC, 0xD});
  Bytes buffer(8, 0xEE);
  std::uint32_t n = 0;
  EXPECT_TRUE(platform->ReadFile(device, buffer, n, overlapped));
  EXPECT_EQ(n, 5u);
  EXPECT_EQ(buffer, (Bytes{0, 0xA, 0xB, 0xC, 0xD, 0xEE, 0xEE, 0xEE}));

  // The same shape when the report comes while the wait polls.
  EXPECT_FALSE(platform->ReadFile(device, buffer, n, overlapped));
  EXPECT_EQ(platform->LastError(), static_cast<std::uint32_t>(EINPROGRESS));
  Send(node, {1, 2, 3, 4});
  EXPECT_EQ(platform->WaitForSingleObject(overlapped.hEvent, 1000), kWaitObject0);
  EXPECT_TRUE(platform->GetOverlappedResult(device, overlapped, n));
  EXPECT_EQ(n, 5u);
  EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 5), (Bytes{0, 1, 2, 3, 4}));
}

TEST_F(HidrawPlatformTest, WaitTimesOutThenCompletesWithALateReport) {
  FakeNode& node = AddNode(0, 0x0483, 0x0003, kBoardDescriptor);
  auto platform = MakePlatform();
  const Handle device =
      platform->OpenDevice((root_ / "dev/hidraw0").string(), OpenMode::kOverlappedRead);
  Overlapped overlapped;
  overlapped.hEvent = platform->CreateReadEvent();
  Bytes buffer(8, 0);
  std::uint32_t n = 0;

  EXPECT_FALSE(platform->ReadFile(device, buffer, n, overlapped));
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(platform->WaitForSingleObject(overlapped.hEvent, 150), kWaitTimeout);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(150));
  EXPECT_EQ(platform->WaitForSingleObject(overlapped.hEvent, 0), kWaitTimeout);

  // Still pending: a report sent during the next wait completes it.
  std::thread late([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    Send(node, {3, 9, 9, 9, 9, 9, 9, 9});
  });
  EXPECT_EQ(platform->WaitForSingleObject(overlapped.hEvent, 2000), kWaitObject0);
  late.join();
  EXPECT_EQ(buffer, (Bytes{3, 9, 9, 9, 9, 9, 9, 9}));
  // Manual reset: the event stays signalled until reset.
  EXPECT_EQ(platform->WaitForSingleObject(overlapped.hEvent, 0), kWaitObject0);
  EXPECT_TRUE(platform->ResetEvent(overlapped.hEvent));
  EXPECT_EQ(platform->WaitForSingleObject(overlapped.hEvent, 0), kWaitTimeout);
}

TEST_F(HidrawPlatformTest, CancelledRequestNeverWritesItsBuffer) {
  FakeNode& node = AddNode(0, 0x0483, 0x0003, kBoardDescriptor);
  auto platform = MakePlatform();
  const Handle device =
      platform->OpenDevice((root_ / "dev/hidraw0").string(), OpenMode::kOverlappedRead);
  Overlapped overlapped;
  overlapped.hEvent = platform->CreateReadEvent();
  Bytes first(8, 0), second(8, 0);
  std::uint32_t n = 0;

  EXPECT_FALSE(platform->ReadFile(device, first, n, overlapped));
  EXPECT_TRUE(platform->CancelIo(device));
  Send(node, {3, 7, 7, 7, 7, 7, 7, 7});
  EXPECT_EQ(platform->WaitForSingleObject(overlapped.hEvent, 50), kWaitTimeout);
  EXPECT_EQ(first, Bytes(8, 0));
  // The report stayed with the node for the next request.
  EXPECT_TRUE(platform->ReadFile(device, second, n, overlapped));
  EXPECT_EQ(second[1], 7);
}

TEST_F(HidrawPlatformTest, UnplugFailsTheWaitAndTheWrite) {
  FakeNode& node = AddNode(0, 0x0483, 0x0003, kBoardDescriptor);
  Link link(MakePlatform());
  link.LoadReportConstants();
  ASSERT_TRUE(link.FindTheHid());

  std::thread unplug([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    Unplug(node);
  });
  std::vector<std::uint8_t> data;
  EXPECT_EQ(link.ReadUSBReport(data, 5000), 0);
  unplug.join();
  EXPECT_FALSE(link.MyDeviceDetected);  // closed, so the next send searches again
  const auto& list = link.List();
  bool failedWait = false;
  for (std::size_t i = 0; i < list.size(); ++i) failedWait |= list[i] == "Readfile undefined error";
  EXPECT_TRUE(failedWait);

  auto platform = MakePlatform();
  const Handle write = platform->OpenDevice((root_ / "dev/hidraw0").string(), OpenMode::kWrite);
  std::uint32_t written = 7;
  EXPECT_FALSE(platform->WriteFile(write, Bytes{1, 1, 6, 0, 0, 0, 0, 0}, written));
  EXPECT_EQ(written, 0u);
  EXPECT_NE(platform->LastError(), 0u);
}

TEST_F(HidrawPlatformTest, HandlesAreTokensAndBadOnesFailCleanly) {
  AddNode(0, 0x0483, 0x0003, kBoardDescriptor);
  auto platform = MakePlatform();
  const Handle device = platform->OpenDevice((root_ / "dev/hidraw0").string(), OpenMode::kWrite);
  ASSERT_TRUE(IsOpenHandle(device));
  EXPECT_TRUE(platform->CloseHandle(device));

  for (Handle bad : {kNoHandle, kInvalidHandle, device}) {
    EXPECT_FALSE(platform->CloseHandle(bad));
    EXPECT_EQ(SystemErrorText(*platform, platform->LastError()), "Bad file descriptor");
  }

  std::uint32_t size = 0;
  const Handle set = platform->GetClassDevs(platform->GetHidGuid());
  InterfaceData data;
  data.cbSize = 28;
  EXPECT_TRUE(platform->EnumDeviceInterfaces(set, platform->GetHidGuid(), 0, data));
  EXPECT_FALSE(platform->GetDeviceInterfaceDetail(set, data, {}, size));
  EXPECT_EQ(size, 4 + (root_ / "dev/hidraw0").string().size() + 1);
  EXPECT_FALSE(platform->EnumDeviceInterfaces(set, platform->GetHidGuid(), 1, data));
  EXPECT_TRUE(platform->DestroyDeviceInfoList(set));
  EXPECT_FALSE(platform->DestroyDeviceInfoList(set));
}

TEST(HidrawSystemText, StrerrorTextEndedByCarriageReturnAndLineFeed) {
  HidrawPlatform platform;
  std::array<char, 128> buffer{};
  const std::uint32_t n = platform.FormatSystemMessage(0, buffer);
  EXPECT_EQ(std::string(buffer.data(), n), "Success\r\n");
  EXPECT_EQ(SystemErrorText(platform, ENODEV), "No such device");
  std::array<char, 5> tiny{};
  EXPECT_EQ(platform.FormatSystemMessage(EACCES, tiny), 0u);  // does not fit: no text
}

}  // namespace
}  // namespace ql::hidlink::hidraw
