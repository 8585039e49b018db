// The commands on a simulated board that fails in ways the tool's own
// scenarios cannot show: one that goes away in the middle of a command.
#include "cli/commands.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>

#include "tests/support/sim_link.h"

namespace ql::cli {
namespace {

using hidlink::sim::Scenario;

const std::string kLinkFailed(board::kLinkFailedMessage);

TEST(Commands, ReadAndTestTellAGoneBoardFromATimeOut) {
  enum Fault { kNoFault, kWaitFails, kAnswerArrives };
  struct Case {
    const char* name;
    bool test;  // else read
    Scenario scenario;
    Fault fault;
    std::uint8_t byte0, byte1;
    int status;
    std::string out, err;
  };
  const std::string gone = "ql8810: the board went away while waiting for an input report\n";
  const Case cases[] = {
      {"test answered", true, Scenario::kBoard, kNoFault, 0x01, 0x0A, 0,
       "03 0A 55 56 57 58 59 55\n", ""},
      {"test without auto-increment", true, Scenario::kBoard, kNoFault, 0x01, 0xFF, 0,
       "03 FF 55 56 57 58 59 55\n", ""},
      {"test refused", true, Scenario::kBoard, kNoFault, 0x00, 0x80, 1, "",
       "ql8810: no input report came within 10 ms (the board refused the test report)\n"},
      {"test, mute board", true, Scenario::kMute, kNoFault, 1, 0, 1, "",
       "ql8810: no input report came within 10 ms\n"},
      {"test, no board", true, Scenario::kAbsent, kNoFault, 1, 0, 1, "", kLinkFailed + "\n"},
      {"test, board gone", true, Scenario::kMute, kWaitFails, 1, 0, 1, "", gone},
      {"read answered", false, Scenario::kBoard, kAnswerArrives, 0, 0, 0,
       "03 01 06 00 00 00 00 00\n", ""},
      {"read timed out", false, Scenario::kMute, kNoFault, 0, 0, 1, "",
       "ql8810: no input report was read within 10 ms\n"},
      {"read, board gone", false, Scenario::kBoard, kWaitFails, 0, 0, 1, "", gone},
  };
  for (const Case& c : cases) {
    testing::SimLink s(c.scenario);
    if (c.fault == kWaitFails) s.pc.FailNextWait();
    if (c.fault == kAnswerArrives) s.pc.ArriveDuringNextWait({3, 1, 6, 0, 0, 0, 0, 0});
    std::ostringstream out, err;
    ConsoleMessages messages(err);
    const Streams io{out, err, messages};
    EXPECT_EQ(c.test ? RunTest(s.link, io, c.byte0, c.byte1, 10) : RunRead(s.link, io, 10),
              c.status)
        << c.name;
    EXPECT_EQ(out.str(), c.out) << c.name;
    EXPECT_EQ(err.str(), c.err) << c.name;
  }
}

// The board is pulled out once it has taken two reports: every write leaves
// trace lines, and by then the board has the report.
struct UnplugAfterTwo final : hidlink::DiagnosticList::Observer {
  explicit UnplugAfterTwo(testing::SimLink& s) : s(s) { s.link.List().AddObserver(this); }
  ~UnplugAfterTwo() override { s.link.List().RemoveObserver(this); }
  void LinesAppended(std::size_t, std::size_t) override {
    if (s.firmware.ReceivedCount() == 2) s.pc.Unplug();
  }
  void SelectionChanged(std::size_t) override {}
  testing::SimLink& s;
};

TEST(Commands, SweepStopsAtTheFirstFailure) {
  testing::SimLink s;
  UnplugAfterTwo unplug(s);
  std::ostringstream out, err;
  ConsoleMessages messages(err);
  EXPECT_EQ(RunSweep(s.link, {out, err, messages}, 0, 31, 1, 0, 2), 1);
  EXPECT_EQ(s.firmware.ReceivedCount(), 2u);
  EXPECT_EQ(err.str(), kLinkFailed + "\n");
}

}  // namespace
}  // namespace ql::cli
