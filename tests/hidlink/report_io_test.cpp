// Writing and reading reports on an open link.
#include <gtest/gtest.h>

#include "tests/support/sim_link.h"

namespace ql::hidlink {
namespace {

using sim::Scenario;
using testing::CountOf;
using testing::SimLink;
using Bytes = std::vector<std::uint8_t>;
using Lines = std::vector<std::string>;

SimLink& Opened(SimLink& s) {
  EXPECT_TRUE(s.link.OpenTheHidOnDemand());
  return s;
}

TEST(WriteReport, SendsTheDeclaredLengthAndTracesEveryByte) {
  struct Case {
    Bytes given;
    Bytes sent;
    Lines data;  // the data lines after " Report Data:"
  };
  // One after another on one link: what a padded report leaves in the link's
  // buffer must not show in the next.
  const Case cases[] = {
      // The board's length: sent as it is.
      {{1, 0x01, 0x06, 0, 0, 0, 0, 0},
       {1, 0x01, 0x06, 0, 0, 0, 0, 0},
       {" 1", " 6", " 0", " 0", " 0", " 0", " 0"}},
      // Longer than the board's report: cut to its first eight bytes.
      {{1, 0x14, 0xF0, 0, 1, 2, 3, 4, 0xEE, 0xEE},
       {1, 0x14, 0xF0, 0, 1, 2, 3, 4},
       {" 14", " F0", " 0", " 1", " 2", " 3", " 4"}},
      // Shorter: padded with zeros, never read past its end.
      {{1, 0xAB}, {1, 0xAB, 0, 0, 0, 0, 0, 0}, {" AB", " 0", " 0", " 0", " 0", " 0", " 0"}},
      {{1, 0x02, 0x1F, 9, 8, 7, 6, 5},
       {1, 0x02, 0x1F, 9, 8, 7, 6, 5},
       {" 2", " 1F", " 9", " 8", " 7", " 6", " 5"}},
  };
  SimLink s;
  Opened(s);
  for (const Case& c : cases) {
    const auto mark = s.Mark();
    EXPECT_EQ(s.link.WriteReport(c.given), 1);  // success value, not a byte count
    EXPECT_EQ(s.LastReceived(), c.sent);
    Lines expected = {" OutputReportByteLength = 8", " NumberOfBytesWritten = 8", " Report ID: 1",
                      " Report Data:"};
    expected.insert(expected.end(), c.data.begin(), c.data.end());
    EXPECT_EQ(s.LinesSince(mark), expected);
  }
}

TEST(WriteReport, NothingIsWrittenBeforeTheOutputLengthIsKnown) {
  SimLink s;
  EXPECT_EQ(s.link.WriteReport(Bytes{1, 1, 6, 0, 0, 0, 0, 0}), 0);
  EXPECT_TRUE(s.list.empty());
  EXPECT_EQ(s.firmware.ReceivedCount(), 0u);
}

Lines ReadHead(const std::string& readResult, const std::string& waitResult) {
  return {"",
          "ReadFile",
          "  Result = " + readResult,
          "waiting for ReadFile",
          "",
          "WaitForSingleObject",
          "  Result = " + waitResult};
}

// A report already waiting completes at once; one that arrives during the
// wait completes it, and its length comes from the completed request.
TEST(ReadUSBReport, ReportWaitingOrArrivingIsReadWithItsLength) {
  for (const bool waiting : {true, false}) {
    SimLink s;
    Opened(s);
    if (waiting)
      s.link.WriteReport(Bytes{1, 1, 2, 3, 4, 5, 6, 7});
    else
      s.pc.ArriveDuringNextWait({3, 1, 2, 3, 4, 5, 6, 7});
    const auto mark = s.Mark();
    Bytes data = {9, 9, 9};
    EXPECT_EQ(s.link.ReadUSBReport(data, 100), 8) << waiting;
    EXPECT_EQ(data, (Bytes{3, 1, 2, 3, 4, 5, 6, 7, 0}));
    Lines expected = ReadHead(waiting ? "The operation completed successfully."
                                      : "Overlapped I/O operation is in progress.",
                              "The operation completed successfully.");
    for (const auto& l : {"ReadFile completed successfully.", "", "ResetEvent",
                          "  Result = The operation completed successfully."})
      expected.push_back(l);
    EXPECT_EQ(s.LinesSince(mark), expected) << waiting;
    EXPECT_EQ(s.list.Selected(), s.list.size() - 1);
    // Nothing waits now: a clean event, not a stale completion.
    EXPECT_EQ(s.link.ReadUSBReport(data, 10), 0) << waiting;
  }
}

// A time-out cancels the request and keeps the link open; a negative wait is
// no wait, not "forever".
TEST(ReadUSBReport, TimeOutCancelsAndKeepsTheLinkOpen) {
  for (std::int16_t ms : {std::int16_t{0}, std::int16_t{200}, std::int16_t{-5}}) {
    SimLink s(Scenario::kMute);
    Opened(s);
    const auto mark = s.Mark();
    Bytes data(20, 0xEE);
    EXPECT_EQ(s.link.ReadUSBReport(data, ms), 0) << ms;
    EXPECT_EQ(data, Bytes(9, 0));
    Lines expected = ReadHead("Overlapped I/O operation is in progress.",
                              "The operation completed successfully.");
    for (const auto& l :
         {"Readfile timeout", "************ReadFile timeout*************", "CancelIO", "",
          "CancelIo", "  Result = The operation completed successfully.", "", "ResetEvent",
          "  Result = The operation completed successfully."})
      expected.push_back(l);
    EXPECT_EQ(s.LinesSince(mark), expected);
    EXPECT_TRUE(s.link.MyDeviceDetected());
  }
}

}  // namespace
}  // namespace ql::hidlink
