// The search's trace, line for line, on the simulated machine.
#include <gtest/gtest.h>

#include "board/dimming.h"
#include "hidlink/sim/sim_pc.h"
#include "tests/support/sim_link.h"
#include "traces.h"

namespace ql::hidlink {
namespace {

using sim::Scenario;
using testing::CountOf;
using testing::SimLink;
using Lines = std::vector<std::string>;

const std::string kOk = "  Result = The operation completed successfully.";
const std::string kInvalid = "  Result = The handle is invalid.";
const std::string kTail = "#{4d1e55b2-f16f-11cf-88cb-001111000030}";

Lines Call(const std::string& name, const std::string& result) {
  return {"", name, result};
}

// Split at line ends, as the trace files are written.
Lines TraceLines(std::string_view text) {
  Lines lines;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t end = text.find('\n', at);
    lines.emplace_back(text.substr(at, end - at));
    at = end == std::string_view::npos ? text.size() : end + 1;
  }
  return lines;
}

// The whole trace as the diagnostic window shows it: the keyboard refuses
// read and write access (invalid handle, failed query, and the record still
// holds nothing from an earlier search), the mouse opens, lists and closes,
// the board matches and no fourth enumeration follows; then its capabilities,
// the read handle and event, and the write.
TEST(FindTheHid, FirstSendOfLevel12WithTheBoardThird) {
  SimLink s;
  board::SendDimmingLevel(s.link, s.messages, 12);
  EXPECT_EQ(s.list.Lines(), TraceLines(testing::kFirstSendLevel12Trace));
  EXPECT_EQ(s.LastReceived(), (std::vector<std::uint8_t>{1, 1, 6, 0, 0, 0, 0, 0}));
  EXPECT_TRUE(s.link.MyDeviceDetected());
  EXPECT_EQ(s.link.DevicePath(), R"(\\?\hid#vid_0483&pid_0003#7&3a4b5c6d&0&0000)" + kTail);
}

TEST(FindTheHid, NoHidInterfaceAtAll) {
  SimLink s(Scenario::kNone);
  EXPECT_FALSE(s.link.FindTheHid());
  EXPECT_EQ(s.list.Lines(), TraceLines(testing::kNoHidInterfaceTrace));
  EXPECT_FALSE(IsOpenHandle(s.link.HIDHandle()));
  EXPECT_FALSE(IsOpenHandle(s.link.ReadHandle()));
}

TEST(FindTheHid, RightVendorWrongProductIsNoMatch) {
  // A link that serves a cousin of the board: the board itself must not do.
  hidlink::BoardIdentity cousin = board::kBoardIdentity;
  cousin.ProductID = 0x0002;
  SimLink s(Scenario::kBoard, cousin);
  EXPECT_FALSE(s.link.FindTheHid());
  const Lines lines = s.list.Lines();
  EXPECT_EQ(CountOf(lines, "  Vendor ID: 483"), 1u);
  EXPECT_EQ(CountOf(lines, "  My device detected"), 0u);
  EXPECT_EQ(CountOf(lines, "CloseHandle"), 3u);  // every candidate closed
  EXPECT_EQ(lines.back(), " Device not found.");
  EXPECT_FALSE(IsOpenHandle(s.link.HIDHandle()));
  EXPECT_EQ(s.pc.OpenDevices(), 0);
}

TEST(FindTheHid, SecondSearchAfterCloseReusesTheReadEvent) {
  SimLink s;
  ASSERT_TRUE(s.link.FindTheHid());
  const Handle event = s.link.ReadEvent();
  s.link.CloseTheHid();
  EXPECT_FALSE(s.link.MyDeviceDetected());
  const auto mark = s.Mark();
  ASSERT_TRUE(s.link.OpenTheHidOnDemand());
  EXPECT_EQ(s.link.ReadEvent(), event);
  const Lines lines = s.LinesSince(mark);
  // The call report is written anyway, and shows whatever code the read
  // handle's open left.
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(Lines(lines.end() - 3, lines.end()), Call("CreateEvent", kOk));
  EXPECT_EQ(CountOf(lines, "HidP_GetCaps"), 1u);
}

// Both closes are traced whatever was open, and a handle already closed is
// never closed again (its old value might by then name another object);
// MyDeviceDetected is left as it was.
TEST(Shutdown, TracesBothClosesAndClosesNothingTwice) {
  for (const bool closedBefore : {false, true}) {
    SimLink s;
    ASSERT_TRUE(s.link.OpenTheHidOnDemand());
    if (closedBefore) s.link.CloseTheHid();
    const auto mark = s.Mark();
    s.link.Shutdown();
    const std::string result = closedBefore ? kInvalid : kOk;
    EXPECT_EQ(s.LinesSince(mark), Lines({"", "CloseHandle (HIDHandle)", result, "",
                                         "CloseHandle (ReadHandle)", result}))
        << closedBefore;
    EXPECT_EQ(s.pc.OpenDevices(), 0);
    EXPECT_EQ(s.link.MyDeviceDetected(), !closedBefore) << closedBefore;
  }
}

}  // namespace
}  // namespace ql::hidlink
