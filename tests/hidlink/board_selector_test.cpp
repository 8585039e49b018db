// Choosing one of several boards: what a selector may be, which boards it
// names on a bench, and the search that passes over the others.
#include "hidlink/board_selector.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "hidlink/emulated_platform.h"
#include "tests/support/fake_devices.h"
#include "tests/support/sim_link.h"

namespace ql::hidlink {
namespace {

using sim::Scenario;
using testing::SimLink;

TEST(ParseBoardSelector, TakesTextsAndNumbersFromOneAndRefusesTheRest) {
  const struct {
    std::string text;
    bool valid;
  } cases[] = {
      {"QL0001", true},
      {"#1", true},
      {"#12", true},
      {"1-2.3", true},
      {R"(\\?\hid#vid_0483&pid_0003#7&3a4b5c6d&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030})",
       true},
      {std::string(BoardSelector::kMaxLength, 'a'), true},
      {"", false},
      {"#", false},
      {"#0", false},
      {"#x", false},
      {"#-1", false},
      {"#1x", false},
      {"#99999999999", false},
      {"QL\n0001", false},
      {std::string(10 * 1024, 'a'), false},
  };
  for (const auto& c : cases) {
    const ParsedSelector parsed = ParseBoardSelector(c.text);
    EXPECT_EQ(parsed.selector.has_value(), c.valid) << c.text.substr(0, 40);
    EXPECT_EQ(parsed.error.empty(), c.valid) << c.text.substr(0, 40);
  }
}

InterfaceEntry Entry(std::uint32_t index, std::uint16_t product, std::string serial,
                     std::string port) {
  InterfaceEntry entry;
  entry.index = index;
  entry.path = "/dev/hidraw" + std::to_string(index);
  entry.attributes = Attributes{12, 0x0483, product, 0x0200};
  entry.serial = std::move(serial);
  entry.port = std::move(port);
  return entry;
}

TEST(SelectionProblem, NamesTheBoardsPresentWhenNoneOrSeveralMatch) {
  // A device of another product first: it is no board and counts for nothing.
  const std::vector<InterfaceEntry> bench = {
      Entry(0, 0x5750, "QL0001", "1-1"), Entry(1, 0x0003, "QL0001", "1-2"),
      Entry(2, 0x0003, "QL0002", "1-3"), Entry(3, 0x0003, "", "1-4"),
      Entry(4, 0x0003, "QL0002", "")};
  const struct {
    std::string selector;
    std::string problem;
  } cases[] = {
      {"QL0001", ""},
      {"1-4", ""},
      {"/dev/hidraw4", ""},
      {"#1", ""},
      {"#4", ""},
      {"1-1", "no board \"1-1\" among 4: QL0001, QL0002, 1-4, QL0002"},
      {"#5", "no board \"#5\" among 4: QL0001, QL0002, 1-4, QL0002"},
      {"QL0002", "board \"QL0002\" names 2 boards: /dev/hidraw2, /dev/hidraw4"},
  };
  for (const auto& c : cases) {
    const auto selector = ParseBoardSelector(c.selector).selector;
    ASSERT_TRUE(selector) << c.selector;
    EXPECT_EQ(SelectionProblem(bench, *selector, 0x0483, 0x0003), c.problem) << c.selector;
  }
  const auto any = ParseBoardSelector("QL0001").selector;
  EXPECT_EQ(SelectionProblem({}, *any, 0x0483, 0x0003), "no board \"QL0001\" among 0");
}

// What the search says of the boards: from the first board's version line
// to the end of the search, the lines that tell of a board and of a close.
std::vector<std::string> BoardLines(const std::vector<std::string>& lines) {
  auto it = std::find(lines.begin(), lines.end(), "  Version Number: 200");
  const auto end = std::find(it, lines.end(), "DestroyDeviceInfoList");
  std::vector<std::string> picked;
  std::copy_if(it, end, std::back_inserter(picked), [](const std::string& l) {
    return l.rfind("  Version", 0) == 0 || l.rfind("  Serial", 0) == 0 || l == "CloseHandle" ||
           l == "  My device detected";
  });
  return picked;
}

TEST(FindTheHid, WithASelectorTracesEachBoardsSerialAndPassesOverTheOthers) {
  const struct {
    Scenario scenario;
    std::string selector;
    std::size_t firmware;  // the board that takes the report
    std::vector<std::string> boardLines;
  } cases[] = {
      {Scenario::kTwo,
       "QL0002",
       1,
       {"  Version Number: 200", "  Serial Number: QL0001", "CloseHandle", "  Version Number: 200",
        "  Serial Number: QL0002", "  My device detected"}},
      {Scenario::kTwo,
       "QL0001",
       0,
       {"  Version Number: 200", "  Serial Number: QL0001", "  My device detected"}},
      {Scenario::kTwoNoSerial,
       "#2",
       1,
       {"  Version Number: 200", "  Serial Number: ", "CloseHandle", "  Version Number: 200",
        "  Serial Number: ", "  My device detected"}},
      {Scenario::kTwoNoSerial,
       "PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(4)",
       1,
       {"  Version Number: 200", "  Serial Number: ", "CloseHandle", "  Version Number: 200",
        "  Serial Number: ", "  My device detected"}},
  };
  for (const auto& c : cases) {
    SimLink bench(c.scenario);
    bench.link.SetBoardSelector(ParseBoardSelector(c.selector).selector);
    const std::uint8_t report[] = {0x01, 0x01, 0x06, 0, 0, 0, 0, 0};
    ASSERT_EQ(bench.link.SendReport(report), SendOutcome::kSent) << c.selector;
    // The board passed over is closed, traced, as a keyboard is.
    EXPECT_EQ(BoardLines(bench.LinesSince(0)), c.boardLines) << c.selector;
    for (std::size_t i = 0; i < bench.sim.firmwares.size(); ++i)
      EXPECT_EQ(bench.sim.firmwares[i]->ReceivedCount(), i == c.firmware ? 1u : 0u) << c.selector;
    EXPECT_EQ(bench.pc.OpenDevices(), 2) << c.selector;  // write and read handles of one board
  }
}

TEST(FindTheHid, ASerialNumberWithControlCharactersStaysOneTraceLine) {
  auto devices = std::make_unique<testing::FakeDevices>();
  DeviceInfo board;
  board.path = "/dev/hidraw0";
  board.vendor = board::BoardVendorID;
  board.product = board::BoardProductID;
  board.descriptor.assign(board::kBoardReportDescriptor.begin(),
                          board::kBoardReportDescriptor.end());
  board.serial = "QL\n00\r\x1B[2J1";
  devices->devices.push_back(board);
  Link link(std::make_unique<EmulatedPlatform>(std::move(devices)), board::kBoardIdentity);
  DiagnosticList list;
  link.SetTrace(&list);
  link.SetBoardSelector(ParseBoardSelector("#1").selector);
  ASSERT_TRUE(link.FindTheHid());
  const auto lines = list.Lines();
  EXPECT_NE(std::find(lines.begin(), lines.end(), "  Serial Number: QL?00??[2J1"), lines.end());
}

TEST(FindTheHid, ASelectorThatNamesNoBoardPresentFindsNone) {
  SimLink bench(Scenario::kTwo);
  bench.link.SetBoardSelector(ParseBoardSelector("#3").selector);
  EXPECT_FALSE(bench.link.FindTheHid());
  EXPECT_EQ(bench.pc.OpenDevices(), 0);
  EXPECT_EQ(bench.LinesSince(0).back(), " Device not found.");
}

TEST(SimPc, BoardsOfOneMachineAreUnpluggedEachOnItsOwn) {
  SimLink bench(Scenario::kTwo);
  bench.link.SetBoardSelector(ParseBoardSelector("QL0002").selector);
  ASSERT_TRUE(bench.link.OpenTheHidOnDemand());
  bench.pc.Unplug(0);
  const std::uint8_t report[] = {0x01, 0x01, 0x06, 0, 0, 0, 0, 0};
  EXPECT_GT(bench.link.WriteReport(report), 0);
  bench.pc.Unplug(1);
  EXPECT_EQ(bench.link.WriteReport(report), 0);
  EXPECT_FALSE(bench.pc.IsPlugged(0));
  bench.pc.Replug(1);
  EXPECT_EQ(bench.link.SendReport(report), SendOutcome::kSent);
  EXPECT_EQ(bench.sim.firmwares[1]->ReceivedCount(), 2u);
  EXPECT_EQ(bench.sim.firmwares[0]->ReceivedCount(), 0u);
}

}  // namespace
}  // namespace ql::hidlink
