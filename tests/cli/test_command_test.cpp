#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "board/operator_messages.h"
#include "cli/commands.h"
#include "tests/support/sim_link.h"

namespace ql::cli {
namespace {

using hidlink::sim::Scenario;

TEST(TestCommand, PrintsWhatCameBackAndExitsByIt) {
  struct Case {
    const char* name;
    Scenario scenario;
    std::uint8_t byte0, byte1;
    int status;
    std::string out;
    bool linkMessage;
  };
  const std::vector<Case> cases = {
      {"answered", Scenario::kBoard, 0x01, 0x0A, 0, "03 0A 55 56 57 58 59 55\n", false},
      {"no auto-increment", Scenario::kBoard, 0x01, 0xFF, 0, "03 FF 55 56 57 58 59 55\n", false},
      {"report ID the board refuses", Scenario::kBoard, 0x00, 0x80, 1, "", false},
      {"board never answers", Scenario::kMute, 0x01, 0x00, 1, "", false},
      {"board absent", Scenario::kAbsent, 0x01, 0x00, 1, "", true},
  };
  for (const Case& c : cases) {
    testing::SimLink s(c.scenario);
    std::ostringstream out, err;
    ConsoleMessages messages(err);
    const int status = RunTest(s.link, {out, err, messages}, c.byte0, c.byte1, 10);
    EXPECT_EQ(status, c.status) << c.name;
    EXPECT_EQ(out.str(), c.out) << c.name;
    EXPECT_EQ(err.str().find("Communication with Interface Board Failed") != std::string::npos,
              c.linkMessage)
        << c.name;
    EXPECT_EQ(err.str().empty(), c.status == 0) << c.name;
  }
}

}  // namespace
}  // namespace ql::cli
