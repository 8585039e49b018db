#include "hidlink/linux/hidraw_platform.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <fstream>
#include <thread>
#include <tuple>
#include <utility>

#include "emulator/board_descriptor.h"
#include "hidlink/interface_list.h"
#include "hidlink/link.h"
#include "hidlink/text_helpers.h"

namespace ql::hidlink::hidraw {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using std::chrono::milliseconds;

const Bytes kBoardDescriptor(emulator::kBoardReportDescriptor.begin(),
                             emulator::kBoardReportDescriptor.end());
// One unnumbered 4-byte input report.
const Bytes kUnnumberedDescriptor = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x75,
                                     0x08, 0x95, 0x04, 0x09, 0x01, 0x81, 0x02, 0xC0};

// A node is a sequenced-packet socket pair: like hidraw, each read and write
// moves one whole report, and closing the board's end is an unplug.
struct FakeNode {
  int board = -1;  // held by the test
  int host = -1;   // duplicated for every open of the node
  hidraw_devinfo info{};
  Bytes descriptor;
  int openError = 0;
};

class FakeCalls final : public NodeCalls {
 public:
  explicit FakeCalls(std::map<std::string, FakeNode>& nodes) : nodes_(nodes) {}
  int Open(const std::string& path, int flags) override {
    auto it = nodes_.find(path);
    if (it == nodes_.end()) return errno = ENOENT, -1;
    if (it->second.openError) return errno = it->second.openError, -1;
    const int fd = ::dup(it->second.host);
    if (flags & O_NONBLOCK) ::fcntl(fd, F_SETFL, O_NONBLOCK);
    fds_[fd] = &it->second;
    return fd;
  }
  int GetRawInfo(int fd, hidraw_devinfo& info) override { return info = fds_.at(fd)->info, 0; }
  int GetDescriptor(int fd, Bytes& d) override { return d = fds_.at(fd)->descriptor, 0; }

 private:
  std::map<std::string, FakeNode>& nodes_;
  std::map<int, FakeNode*> fds_;
};

class HidrawPlatformTest : public ::testing::Test {
 protected:
  HidrawPlatformTest() {
    signal(SIGPIPE, SIG_IGN);  // a write to an unplugged fake is EPIPE, not death
    char pattern[] = "/tmp/ql-hidraw-XXXXXX";
    root_ = ::mkdtemp(pattern);
  }
  ~HidrawPlatformTest() override {
    for (auto& [path, node] : nodes_)
      for (int fd : {node.board, node.host}) ::close(fd);  // -1 after an unplug
    fs::remove_all(root_);
  }

  // hidrawN, its HID device under a USB device of version 2.00.
  FakeNode& AddNode(unsigned n, std::int16_t vendor, std::int16_t product, Bytes descriptor) {
    const std::string name = "hidraw" + std::to_string(n);
    const fs::path usb = root_ / "devices" / name / "1-1";
    const fs::path hid = usb / "1-1:1.0" / "0003:0483:0003.0001";
    fs::create_directories(hid);
    fs::create_directories(root_ / "class" / name);
    fs::create_directory_symlink(hid, root_ / "class" / name / "device");
    std::ofstream(usb / "bcdDevice") << "0200\n";
    char id[40];
    std::snprintf(id, sizeof id, "HID_ID=0003:%08X:%08X\n", vendor & 0xFFFF, product & 0xFFFF);
    // HID_ID last: nothing after its value may be needed to read it.
    std::ofstream(hid / "uevent") << "DRIVER=hid-generic\nHID_NAME=x\n" << id;
    int pair[2];
    EXPECT_EQ(::socketpair(AF_UNIX, SOCK_SEQPACKET, 0, pair), 0);
    return nodes_[Path(n)] = {pair[0], pair[1], {3, vendor, product}, std::move(descriptor)};
  }

  std::unique_ptr<HidrawPlatform> MakePlatform() {
    return std::make_unique<HidrawPlatform>(Places{root_ / "class", root_ / "dev"},
                                            std::make_unique<FakeCalls>(nodes_));
  }
  std::string Path(unsigned n) const {
    return (root_ / "dev" / ("hidraw" + std::to_string(n))).string();
  }
  static void Send(const FakeNode& node, const Bytes& report) {
    ASSERT_EQ(::write(node.board, report.data(), report.size()),
              static_cast<ssize_t>(report.size()));
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
  const std::tuple<unsigned, std::uint16_t, std::uint16_t> expected[] = {
      {0, 0x8086, 0x0001}, {2, 0x0483, 0x0003}, {10, 0x046D, 0xC31C}};
  ASSERT_EQ(entries.size(), std::size(expected));
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const auto [n, vendor, product] = expected[i];
    EXPECT_EQ(entries[i].path, Path(n));
    ASSERT_TRUE(entries[i].attributes);
    EXPECT_EQ(entries[i].attributes->VendorID, vendor);
    EXPECT_EQ(entries[i].attributes->ProductID, product);
    EXPECT_EQ(entries[i].attributes->VersionNumber, 0x0200);
  }
  // Sysfs answered for hidraw2 above; the link's own open needs access.
  EXPECT_EQ(platform->OpenDevice(Path(2), OpenMode::kWrite), kInvalidHandle);
  EXPECT_EQ(SystemErrorText(*platform, platform->LastError()), "Permission denied");
}

TEST_F(HidrawPlatformTest, LinkFindsWritesAndReadsTheBoard) {
  AddNode(0, 0x046D, 0x0001, kUnnumberedDescriptor);
  const FakeNode& board = AddNode(1, 0x0483, 0x0003, kBoardDescriptor);
  Link link(MakePlatform());
  link.LoadReportConstants();
  ASSERT_TRUE(link.FindTheHid());
  EXPECT_EQ(link.Capabilities.InputReportByteLength, 8);

  // A numbered report keeps its ID byte both ways.
  EXPECT_EQ(link.WriteReport(Bytes{1, 1, 6, 0, 0, 0, 0, 0}), 1);
  Bytes sent(9);
  EXPECT_EQ(::recv(board.board, sent.data(), sent.size(), MSG_DONTWAIT), 8);
  EXPECT_EQ(sent, (Bytes{1, 1, 6, 0, 0, 0, 0, 0, 0}));
  Send(board, {3, 1, 6, 0, 0, 0, 0, 0});
  Bytes data;
  EXPECT_EQ(link.ReadUSBReport(data, 100), 8);
  EXPECT_EQ(data, (Bytes{3, 1, 6, 0, 0, 0, 0, 0, 0}));
}

TEST_F(HidrawPlatformTest, HandlesAreTokensAndBadOnesFailCleanly) {
  AddNode(0, 0x0483, 0x0003, kBoardDescriptor);
  auto platform = MakePlatform();
  const Handle device = platform->OpenDevice(Path(0), OpenMode::kWrite);
  ASSERT_TRUE(IsOpenHandle(device));
  EXPECT_TRUE(platform->CloseHandle(device));
  const Handle set = platform->GetClassDevs(platform->GetHidGuid());
  EXPECT_TRUE(platform->DestroyDeviceInfoList(set));
  // 0 and -1 must never reach close(2); closed handles stay closed.
  for (Handle bad : {kNoHandle, kInvalidHandle, device}) {
    EXPECT_FALSE(platform->CloseHandle(bad));
    EXPECT_EQ(SystemErrorText(*platform, platform->LastError()), "Bad file descriptor");
  }
  EXPECT_FALSE(platform->DestroyDeviceInfoList(set));
  std::array<char, 5> tiny{};
  EXPECT_EQ(platform->FormatSystemMessage(EBADF, tiny), 0u);  // no room: no text
}

// Reads from an unnumbered node, whose reports hidraw gives without an ID byte.
class HidrawReadTest : public HidrawPlatformTest {
 protected:
  bool Read() { return platform_->ReadFile(device_, buffer_, n_, overlapped_); }
  std::uint32_t Wait(std::uint32_t ms) {
    return platform_->WaitForSingleObject(overlapped_.hEvent, ms);
  }

  FakeNode& node_ = AddNode(0, 0x1234, 0x5678, kUnnumberedDescriptor);
  std::unique_ptr<HidrawPlatform> platform_ = MakePlatform();
  const Handle device_ = platform_->OpenDevice(Path(0), OpenMode::kOverlappedRead);
  Overlapped overlapped_{0, 0, platform_->CreateReadEvent()};
  Bytes buffer_ = Bytes(8, 0xEE);
  std::uint32_t n_ = 0;
};

TEST_F(HidrawReadTest, WaitTimesOutThenCompletesWithALateReport) {
  EXPECT_FALSE(Read());
  EXPECT_EQ(platform_->LastError(), static_cast<std::uint32_t>(EINPROGRESS));
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Wait(150), kWaitTimeout);
  EXPECT_GE(std::chrono::steady_clock::now() - start, milliseconds(150));
  EXPECT_EQ(Wait(0), kWaitTimeout);

  std::thread late([&] {
    std::this_thread::sleep_for(milliseconds(50));
    Send(node_, {1, 2, 3, 4});
  });
  EXPECT_EQ(Wait(2000), kWaitObject0);
  late.join();
  EXPECT_TRUE(platform_->GetOverlappedResult(device_, overlapped_, n_));
  EXPECT_EQ(n_, 5u);
  EXPECT_EQ(buffer_, (Bytes{0, 1, 2, 3, 4, 0xEE, 0xEE, 0xEE}));
  // Manual reset: signalled until reset.
  EXPECT_EQ(Wait(0), kWaitObject0);
  EXPECT_TRUE(platform_->ResetEvent(overlapped_.hEvent));
  EXPECT_EQ(Wait(0), kWaitTimeout);
}

TEST_F(HidrawReadTest, CancelledRequestNeverWritesItsBuffer) {
  EXPECT_FALSE(Read());
  EXPECT_TRUE(platform_->CancelIo(device_));
  Send(node_, {0xA, 0xB, 0xC, 0xD});
  EXPECT_EQ(Wait(50), kWaitTimeout);
  EXPECT_EQ(buffer_, Bytes(8, 0xEE));
  // The report stayed with the node, and the next request finds it at once.
  EXPECT_TRUE(Read());
  EXPECT_EQ(n_, 5u);
  EXPECT_EQ(buffer_, (Bytes{0, 0xA, 0xB, 0xC, 0xD, 0xEE, 0xEE, 0xEE}));
}

TEST_F(HidrawReadTest, UnplugFailsTheWaitAndTheWrite) {
  EXPECT_FALSE(Read());
  std::thread unplug([&] {
    std::this_thread::sleep_for(milliseconds(50));
    ::close(std::exchange(node_.board, -1));
  });
  EXPECT_EQ(Wait(5000), kWaitFailed);
  unplug.join();
  EXPECT_EQ(platform_->LastError(), static_cast<std::uint32_t>(ENODEV));
  n_ = 7;
  EXPECT_FALSE(platform_->WriteFile(device_, Bytes{0, 1, 2, 3, 4}, n_));
  EXPECT_EQ(n_, 0u);
  EXPECT_NE(platform_->LastError(), 0u);
}

}  // namespace
}  // namespace ql::hidlink::hidraw
