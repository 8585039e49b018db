// The search's trace, line for line, on the simulated machine.
#include <gtest/gtest.h>

#include "board/dimming.h"
#include "hidlink/sim/sim_pc.h"
#include "tests/support/sim_link.h"

namespace ql::hidlink {
namespace {

using sim::Scenario;
using testing::CountOf;
using testing::SimLink;
using Lines = std::vector<std::string>;

const std::string kOk = "  Result = The operation completed successfully.";
const std::string kTooSmall = "  Result = The data area passed to a system call is too small.";
const std::string kInvalid = "  Result = The handle is invalid.";
const std::string kTail = "#{4d1e55b2-f16f-11cf-88cb-001111000030}";

Lines Call(const std::string& name, const std::string& result) {
  return {"", name, result};
}

void Add(Lines& to, const Lines& more) {
  to.insert(to.end(), more.begin(), more.end());
}

Lines SearchHead() {
  Lines l = Call("GetHidGuid", kOk);
  l.push_back("  GUID for system HIDs: 4D1E55B2-F16F-11CF-88 CB 00 11 11 00 00 30 ");
  Add(l, Call("SetupDiClassDevs", kOk));
  return l;
}

Lines CandidateHead(int index, const std::string& path) {
  Lines l = Call("SetupDiEnumDeviceInterfaces", kOk);
  Add(l, {"  DeviceInfoSet for device #" + std::to_string(index) + ": ", "  cbSize = 28",
          "  InterfaceClassGuid.Data1 = 4D1E55B2", "  InterfaceClassGuid.Data2 = F16F",
          "  InterfaceClassGuid.Data3 = 11CF", "  Flags = 1"});
  Add(l, Call("SetupDiGetDeviceInterfaceDetail", kTooSmall));
  Add(l, {"  (OK to say too small)",
          "  Required buffer size for the data: " + std::to_string(4 + path.size() + 1)});
  Add(l, Call(" Result of second call: ", kOk));
  Add(l, {"  MyDeviceInterfaceDetailData.cbSize: 5", "  Device pathname: ", "    " + path});
  return l;
}

Lines CapabilityLines() {
  Lines l = Call("HidD_GetPreparsedData", kOk);
  Add(l, Call("HidP_GetCaps", kOk));
  Add(l, {"  Usage: 1", "  Usage Page: FF00", "  Input Report Byte Length: 8",
          "  Output Report Byte Length: 8", "  Feature Report Byte Length: 0",
          "  Number of Link Collection Nodes: 1", "  Number of Input Button Caps: 0",
          "  Number of Input Value Caps: 1", "  Number of Input Data Indices: 1",
          "  Number of Output Button Caps: 0", "  Number of Output Value Caps: 1",
          "  Number of Output Data Indices: 1", "  Number of Feature Button Caps: 0",
          "  Number of Feature Value Caps: 0", "  Number of Feature Data Indices: 0"});
  Add(l, Call("HidP_GetValueCaps", kOk));
  Add(l, Call("HidD_FreePreparsedData", kOk));
  return l;
}

TEST(FindTheHid, FirstSendOfLevel12WithTheBoardThird) {
  SimLink s;
  board::SendDimmingLevel(s.link, s.messages, 12);

  const std::string keyboard = R"(\\?\hid#vid_046d&pid_c31c&mi_00#7&2b8e1f3a&0&0000)" + kTail;
  const std::string mouse = R"(\\?\hid#vid_046d&pid_c077#7&1c2d3e4f&0&0000)" + kTail;
  const std::string board = R"(\\?\hid#vid_0483&pid_0003#7&3a4b5c6d&0&0000)" + kTail;

  Lines expected = SearchHead();
  // The keyboard refuses read and write access: invalid handle, failed query,
  // and the record still holds nothing from an earlier search.
  Add(expected, CandidateHead(0, keyboard));
  Add(expected, Call("CreateFile", "  Result = Access is denied."));
  expected.push_back("  Returned handle: FFFFFFFFh");
  Add(expected, Call("HidD_GetAttributes", kInvalid));
  Add(expected, {"  Error in filling HIDD_ATTRIBUTES structure.", "  Structure size: 12",
                 "  Vendor ID: 0", "  Product ID: 0", "  Version Number: 0"});
  Add(expected, Call("CloseHandle", kInvalid));
  // The mouse opens, lists and closes.
  Add(expected, CandidateHead(1, mouse));
  Add(expected, Call("CreateFile", kOk));
  expected.push_back("  Returned handle: 1A8h");
  Add(expected, Call("HidD_GetAttributes", kOk));
  Add(expected, {"  HIDD_ATTRIBUTES structure filled without error.", "  Structure size: 12",
                 "  Vendor ID: 46D", "  Product ID: C077", "  Version Number: 7200"});
  Add(expected, Call("CloseHandle", kOk));
  // The board matches; no fourth enumeration follows.
  Add(expected, CandidateHead(2, board));
  Add(expected, Call("CreateFile", kOk));
  expected.push_back("  Returned handle: 1ACh");
  Add(expected, Call("HidD_GetAttributes", kOk));
  Add(expected,
      {"  HIDD_ATTRIBUTES structure filled without error.", "  Structure size: 12",
       "  Vendor ID: 483", "  Product ID: 3", "  Version Number: 200", "  My device detected"});
  Add(expected, Call("DestroyDeviceInfoList", kOk));
  Add(expected, CapabilityLines());
  Add(expected, Call("CreateFile, ReadHandle", kOk));
  expected.push_back("  Returned handle: 1B0h");
  Add(expected, Call("CreateEvent", kOk));
  // The write.
  Add(expected, {" OutputReportByteLength = 8", " NumberOfBytesWritten = 8", " Report ID: 1",
                 " Report Data:", " 1", " 6", " 0", " 0", " 0", " 0", " 0"});

  EXPECT_EQ(s.link.List().Lines(), expected);
  EXPECT_EQ(s.LastReceived(), (std::vector<std::uint8_t>{1, 1, 6, 0, 0, 0, 0, 0}));
  EXPECT_TRUE(s.link.MyDeviceDetected());
  EXPECT_EQ(s.link.DevicePath(), board);
}

TEST(FindTheHid, NoHidInterfaceAtAll) {
  SimLink s(Scenario::kNone);
  EXPECT_FALSE(s.link.FindTheHid());
  Lines expected = SearchHead();
  Add(expected, Call("SetupDiEnumDeviceInterfaces", "  Result = No more data is available."));
  Add(expected, Call("DestroyDeviceInfoList", kOk));
  expected.push_back(" Device not found.");
  EXPECT_EQ(s.link.List().Lines(), expected);
  EXPECT_FALSE(IsOpenHandle(s.link.HIDHandle()));
  EXPECT_FALSE(IsOpenHandle(s.link.ReadHandle()));
}

TEST(FindTheHid, RightVendorWrongProductIsNoMatch) {
  // A link that serves a cousin of the board: the board itself must not do.
  hidlink::BoardIdentity cousin = board::kBoardIdentity;
  cousin.ProductID = 0x0002;
  SimLink s(Scenario::kBoard, cousin);
  EXPECT_FALSE(s.link.FindTheHid());
  const Lines lines = s.link.List().Lines();
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
// never closed again (its old value might by then name another object).
TEST(Shutdown, TracesBothClosesAndClosesNothingTwice) {
  for (const bool closedBefore : {false, true}) {
    SimLink s;
    ASSERT_TRUE(s.link.OpenTheHidOnDemand());
    if (closedBefore) s.link.CloseTheHid();
    const auto mark = s.Mark();
    s.link.Shutdown();
    const std::string result = closedBefore ? kInvalid : kOk;
    Lines expected = Call("CloseHandle (HIDHandle)", result);
    Add(expected, Call("CloseHandle (ReadHandle)", result));
    EXPECT_EQ(s.LinesSince(mark), expected) << closedBefore;
    EXPECT_EQ(s.pc.OpenDevices(), 0);
  }
}

}  // namespace
}  // namespace ql::hidlink
