// The kit as an instrument on the simulated board: what each message answers,
// what it sends, and the errors and status bits it leaves, with no socket.
#include <gtest/gtest.h>

#include "hidlink/kept_trace.h"
#include "instrument/kit_instrument.h"
#include "tests/support/sim_link.h"

namespace ql::instrument {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct Bench : testing::SimLink {
  explicit Bench(hidlink::sim::Scenario scenario = hidlink::sim::Scenario::kBoard)
      : SimLink(scenario) {
    link.SetTrace(&trace);
  }
  std::string Run(std::string_view message) { return kit.Execute(session, message); }
  // Every error queued, oldest first, the queue left empty.
  std::vector<std::string> Errors() {
    std::vector<std::string> errors;
    while (!session.errors.empty()) errors.push_back(session.errors.Pop());
    return errors;
  }
  hidlink::KeptTrace trace;
  KitInstrument kit{link, trace};
  Session session;
};

TEST(KitInstrument, AnswersEachQueryAndSendsWhatTheToolSends) {
  Bench b;
  const std::pair<std::string_view, std::string_view> cases[] = {
      {"*IDN?", "Corvane,QL8810 Eval Kit,QL0001,0.9.1"},
      {"DIMM:LEV 12;LEV?", "12"},
      {":SOURce:DIMMing:LEVel 13;:DIMM:LEV?", "13"},
      {"dimming 5; *OPC?; DIMM?", "1;5"},
      {"DIMM 16.5;DIMM?;DIMM 17.5;DIMM?", "16;18"},  // halves to the even
      {"DIMM MAX;DIMM?;DIMM MIN;DIMM?;DIMM DEF;DIMM?", "31;0;16"},
      {"DIMM #H1F;DIMM?", "31"},
      {"DIMM 1.2E1;DIMM?", "12"},
      {"SYST:VERS?", "1999.0"},
      {"*TST?", "0"},
      {"SYST:BOAR?",
       "\"QL0001\",\"PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(3)\",\"\\\\?\\hid#vid_0483&pid_0003#"
       "7&3a4b5c6d&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}\""},
      {"*ESE 36;*ESE?;*SRE 255;*SRE?", "36;191"},
      {"SYST:ERR?;SYST:ERR:COUN?", "0,\"No error\";0"},
      {"*WAI", ""},
  };
  for (const auto& [message, answer] : cases) EXPECT_EQ(b.Run(message), answer) << message;
  EXPECT_TRUE(b.Errors().empty());

  b.Run("DIMM:LEV 12");
  EXPECT_EQ(b.LastReceived(), (Bytes{1, 1, 6, 0, 0, 0, 0, 0}));
  b.Run("BUS:ZEB #H14,240,0,1,2,3,4");
  EXPECT_EQ(b.LastReceived(), (Bytes{1, 0x14, 0xF0, 0, 1, 2, 3, 4}));
  b.Run("BUS:BRE");
  EXPECT_EQ(b.LastReceived(), (Bytes{1, 0x14, 0xF0, 0, 0, 0, 0, 0}));
  const std::size_t before = b.firmware.ReceivedCount();
  b.Run("DIMM:SWE 31,0,10");
  EXPECT_EQ(b.firmware.ReceivedCount(), before + 4);  // 31 21 11 1
  EXPECT_EQ(b.Run("DIMM?"), "1");
  EXPECT_EQ(b.Run("DIAG:TEST? #H01,#H80"), "\"03 80 55 56 57 58 59 55\"");
  // The trace block: the kept lines, each ended, behind its length.
  const std::string block = b.Run("DIAG:TRAC?");
  ASSERT_EQ(block[0], '#');
  const std::size_t digits = static_cast<std::size_t>(block[1] - '0');
  const std::size_t length = std::stoul(block.substr(2, digits));
  EXPECT_EQ(block.size(), 2 + digits + length);
  EXPECT_EQ(block.substr(2 + digits), b.trace.Joined() + "\n");
  EXPECT_EQ(b.Run("DIAG:TRAC:COUN?"), std::to_string(b.trace.size()));
  EXPECT_TRUE(b.Errors().empty());
}

// Each error with its standard number and text, in order, the event bits
// IEEE 488.2 gives its class, and the rest of a message after a command
// error left unrun.
TEST(KitInstrument, EveryErrorReadBackInOrderWithItsEventBit) {
  Bench b;
  const std::tuple<std::string_view, int, std::uint8_t> cases[] = {
      {"DIMM:LEV 40", -222, scpi::esr::kExecutionError},
      {"FOO:BAR 1", -113, scpi::esr::kCommandError},
      {"DIMM FOO", -224, scpi::esr::kExecutionError},
      {"DIMM \"12\"", -104, scpi::esr::kCommandError},
      {"DIMM", -109, scpi::esr::kCommandError},
      {"DIMM 1,2", -108, scpi::esr::kCommandError},
      {"*IDN? 5", -108, scpi::esr::kCommandError},
      {"DIMM 12V", -138, scpi::esr::kCommandError},
      {"DIMM 1.2.3", -120, scpi::esr::kCommandError},
      {"DIMM,12", -103, scpi::esr::kCommandError},
      {"DIMM 12;;", -102, scpi::esr::kCommandError},
      {"DIMM \x7F", -101, scpi::esr::kCommandError},
      {"DIAG:TEST? 1", -109, scpi::esr::kCommandError},
  };
  for (const auto& [message, code, bit] : cases) {
    b.session.status.TakeEventRegister();
    b.Run(message);
    const auto errors = b.Errors();
    ASSERT_EQ(errors.size(), 1u) << message;
    EXPECT_EQ(errors[0].substr(0, errors[0].find(',')), std::to_string(code)) << message;
    EXPECT_EQ(b.session.status.TakeEventRegister(), bit) << message;
  }
  // After a command error the rest of the message is not run; after an
  // execution error it is.
  EXPECT_EQ(b.Run("FOO;DIMM 3;DIMM?"), "");
  EXPECT_EQ(b.Run("DIMM 40;DIMM 3;DIMM?"), "3");
  // Before any level was sent through the instrument.
  Bench fresh;
  EXPECT_EQ(fresh.Run("DIMM?;*IDN?"), "Corvane,QL8810 Eval Kit,QL0001,0.9.1");
  EXPECT_EQ(fresh.Errors(),
            std::vector<std::string>{"-230,\"Data corrupt or stale;no level sent yet\""});
  // *CLS and *RST clear the queue and the events.
  b.Run("FOO;");
  EXPECT_EQ(b.Run("*STB?"), "4");
  b.Run("*CLS");
  EXPECT_EQ(b.Run("*STB?;*ESR?;SYST:ERR:COUN?"), "0;0;0");
  b.Run("*ESE 255;FOO");
  EXPECT_EQ(b.Run("*STB?"), "36");
  b.Run("*RST");
  EXPECT_EQ(b.Run("*STB?;*ESE?;SYST:ERR:COUN?"), "0;0;0");
}

// A board that is not there: the operator's message, word for word, as a
// device-specific error; *TST? says so without writing.
TEST(KitInstrument, AMissingBoardIsADeviceErrorCarryingTheOperatorsMessage) {
  Bench b(hidlink::sim::Scenario::kAbsent);
  EXPECT_EQ(b.Run("*TST?"), "1");
  EXPECT_EQ(b.Run("*IDN?"), "Corvane,QL8810 Eval Kit,0,0.9.1");
  b.Run("DIMM 12;BUS:BRE;BUS:ZEB 1,2,3,4,5,6,7");
  EXPECT_EQ(b.Errors(),
            (std::vector<std::string>{
                "101,\"Communication with Interface Board Failed. Please resert the interface "
                "board and try again.\"",
                "102,\"Write to USB bus failed. Please try again.\"",
                "102,\"Write to USB bus failed. Please try again.\""}));
  EXPECT_EQ(b.session.status.TakeEventRegister(), scpi::esr::kDeviceDependentError);
  EXPECT_EQ(b.Run("DIMM?"), "");
  EXPECT_EQ(b.firmware.ReceivedCount(), 0u);
}

}  // namespace
}  // namespace ql::instrument
