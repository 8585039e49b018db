#include "hidlink/hid_test.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "hidlink/sim/sim_platform.h"

namespace ql::hidlink {
namespace {

using sim::Scenario;
using sim::SimPlatform;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

constexpr std::string_view kDate = "12/6/2026 8:20:00 PM";
using Bytes = std::vector<std::uint8_t>;

struct Bench {
  explicit Bench(Scenario scenario = Scenario::kBoard) {
    auto owned = std::make_unique<SimPlatform>(scenario);
    sim = owned.get();
    link = std::make_unique<Link>(std::move(owned));
    link->LoadReportConstants();
  }
  std::vector<std::string> LinesSince(std::size_t first) const {
    return link->List().LinesFrom(first);
  }
  SimPlatform* sim;
  std::unique_ptr<Link> link;
};

// The lines that list an eight-byte buffer, as the test shows every outcome.
std::vector<std::string> ListedBytes(const Bytes& bytes) {
  std::vector<std::string> lines = {" Report ID: " + std::to_string(bytes.at(0)), " Report Data:"};
  static constexpr char kHex[] = "0123456789ABCDEF";
  for (const auto b : bytes) lines.push_back(std::string(" ") + kHex[b >> 4] + kHex[b & 15]);
  return lines;
}

TEST(RunHidTest, AutoIncrementRules) {
  struct Case {
    const char* name;
    std::uint8_t start;
    bool autoIncrement;
    std::vector<std::uint8_t> sent;  // byte 1 of successive runs
  };
  const std::vector<Case> cases = {
      {"from the default: an eleven-value cycle",
       0x80,
       true,
       {0x00, 0x0A, 0x14, 0x1E, 0x28, 0x32, 0x3C, 0x46, 0x50, 0x5A, 0x64, 0x00, 0x0A}},
      {"95 steps past 100 once", 0x5F, true, {0x69, 0x00}},
      {"99 is still below 100", 0x63, true, {0x6D, 0x00}},
      {"off: sent as selected", 0x80, false, {0x80, 0x80, 0x80}},
  };
  for (const Case& c : cases) {
    Bench bench;
    HidTestBytes bytes{0x01, c.start, c.autoIncrement};
    std::vector<std::uint8_t> sent;
    for (std::size_t i = 0; i < c.sent.size(); ++i) {
      RunHidTest(*bench.link, bytes, kDate);
      EXPECT_EQ(bytes.byte1, c.sent[i]) << c.name;
    }
    for (const auto& report : bench.sim->Board().ReceivedReports()) sent.push_back(report.at(1));
    EXPECT_EQ(sent, c.sent) << c.name;
    EXPECT_EQ(bytes.byte0, 0x01) << c.name;
  }
}

TEST(ReadAndListReport, ListsAReportThatWasWaiting) {
  Bench bench;
  ASSERT_TRUE(bench.link->FindTheHid());
  const Bytes report = {0x03, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x0A};
  bench.sim->Board().QueueInputReport(report);
  const std::size_t before = bench.link->List().size();

  const ListedReport read = ReadAndListReport(*bench.link);
  EXPECT_EQ(read.outcome, Link::ReadOutcome::kCompleted);
  EXPECT_EQ(read.bytes, report);
  const auto lines = bench.LinesSince(before);
  const auto listed = ListedBytes(report);
  EXPECT_NE(std::search(lines.begin(), lines.end(), listed.begin(), listed.end()), lines.end());
}

// A time-out and a failed wait both end with the request cancelled, both
// handles closed and the board to be searched again; the zero buffer is still
// listed.
TEST(ReadAndListReport, TimeOutAndFailedWaitCloseTheLink) {
  struct Case {
    const char* name;
    Scenario scenario;
    bool failWait;
    Link::ReadOutcome outcome;
    std::vector<std::string> outcomeLines;
  };
  const std::string ok = "  Result = The operation completed successfully.";
  const std::vector<Case> cases = {
      {"time-out",
       Scenario::kMute,
       false,
       Link::ReadOutcome::kTimedOut,
       {"Readfile timeout", "************ReadFile timeout*************", "CancelIO", "", "CancelIo",
        ok}},
      {"failed wait",
       Scenario::kBoard,
       true,
       Link::ReadOutcome::kFailed,
       {"Readfile undefined error", "", "CancelIo", ok}},
  };
  for (const Case& c : cases) {
    Bench bench(c.scenario);
    ASSERT_TRUE(bench.link->FindTheHid()) << c.name;
    bench.link->MyDeviceDetected = true;
    if (c.failWait) bench.sim->FailNextWait();
    const std::size_t before = bench.link->List().size();

    const ListedReport read = ReadAndListReport(*bench.link);
    EXPECT_EQ(read.outcome, c.outcome) << c.name;
    EXPECT_EQ(read.bytes, Bytes(8, 0)) << c.name;
    EXPECT_FALSE(bench.link->MyDeviceDetected) << c.name;
    EXPECT_EQ(bench.link->HIDHandle, kNoHandle) << c.name;
    EXPECT_EQ(bench.link->ReadHandle, kNoHandle) << c.name;

    auto lines = bench.LinesSince(before);
    auto expected = c.outcomeLines;
    for (const char* l : {"", "CloseHandle (HIDHandle)"}) expected.push_back(l);
    expected.push_back(ok);
    for (const char* l : {"", "CloseHandle (ReadHandle)"}) expected.push_back(l);
    expected.push_back(ok);
    for (const auto& l : ListedBytes(Bytes(8, 0))) expected.push_back(l);
    for (const char* l : {"", "ResetEvent"}) expected.push_back(l);
    expected.push_back(ok);
    const auto waitLine = std::find(lines.begin(), lines.end(), "WaitForSingleObject");
    ASSERT_NE(waitLine, lines.end()) << c.name;
    EXPECT_EQ(std::vector(waitLine + 2, lines.end()), expected) << c.name;

    // The next test searches again and gets its answer.
    HidTestBytes bytes{0x01, 0x20, false};
    EXPECT_EQ(RunHidTest(*bench.link, bytes, kDate).read.outcome,
              c.failWait ? Link::ReadOutcome::kCompleted : Link::ReadOutcome::kTimedOut)
        << c.name;
  }
}

TEST(ReadAndListReport, NoDeclaredInputLengthReadsNothing) {
  Bench bench;
  ASSERT_TRUE(bench.link->FindTheHid());
  bench.link->Capabilities.InputReportByteLength = 0;
  const ListedReport read = ReadAndListReport(*bench.link);
  EXPECT_TRUE(read.bytes.empty());
  EXPECT_TRUE(bench.link->MyDeviceDetected);
}

}  // namespace
}  // namespace ql::hidlink
