// What read and test print for each outcome, on a simulated board that can
// also fail as the tool's own scenarios cannot: gone in the middle of a wait.
#include "cli/commands.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "tests/support/sim_link.h"

namespace ql::cli {
namespace {

using hidlink::sim::Scenario;

TEST(Commands, ReadAndTestTellAGoneBoardFromATimeOut) {
  enum Fault { kNoFault, kWaitFails, kAnswerArrives };
  struct Case {
    bool test;  // else read
    Scenario scenario;
    Fault fault;
    std::uint8_t byte0, byte1;
    int status;
    std::string out, err;
  };
  const std::string gone = "ql8810: the board went away while waiting for an input report\n";
  const Case cases[] = {
      // The test report goes out as given, never auto-incremented.
      {true, Scenario::kBoard, kNoFault, 0x01, 0xFF, 0, "03 FF 55 56 57 58 59 55\n", ""},
      {true, Scenario::kBoard, kNoFault, 0x00, 0x80, 1, "",
       "ql8810: no input report came within 10 ms (the board refused the test report)\n"},
      {true, Scenario::kMute, kNoFault, 1, 0, 1, "", "ql8810: no input report came within 10 ms\n"},
      {true, Scenario::kAbsent, kNoFault, 1, 0, 1, "",
       std::string(board::kLinkFailedMessage) + "\n"},
      {true, Scenario::kMute, kWaitFails, 1, 0, 1, "", gone},
      {false, Scenario::kBoard, kAnswerArrives, 0, 0, 0, "03 01 06 00 00 00 00 00\n", ""},
      {false, Scenario::kMute, kNoFault, 0, 0, 1, "",
       "ql8810: no input report was read within 10 ms\n"},
      {false, Scenario::kBoard, kWaitFails, 0, 0, 1, "", gone},
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
        << c.out << c.err;
    EXPECT_EQ(out.str(), c.out) << c.err;
    EXPECT_EQ(err.str(), c.err) << c.out;
    EXPECT_TRUE(c.fault != kWaitFails || s.pc.OpenDevices() == 0) << "left open: " << c.err;
  }
}

}  // namespace
}  // namespace ql::cli
