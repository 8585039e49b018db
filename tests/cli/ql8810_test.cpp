// The command-line tool, run as a user runs it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include <unistd.h>

#include "tests/cli/run_tool.h"

namespace ql::testing {
namespace {

std::vector<std::string> LinesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

bool Contains(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

const std::string kLinkFailed =
    "Communication with Interface Board Failed. Please resert the interface board and try again.";

TEST(Ql8810, TracedLevelShowsSearchCapabilitiesAndWrite) {
  const ToolRun run = RunTool("--simulate --trace level 12");
  EXPECT_EQ(run.status, 0) << run.err;
  const auto lines = LinesOf(run.err);
  for (const char* expected :
       {"GetHidGuid", "  GUID for system HIDs: 4D1E55B2-F16F-11CF-88 CB 00 11 11 00 00 30 ",
        "  My device detected", "  Usage Page: FF00", "  Input Report Byte Length: 8",
        "  Output Report Byte Length: 8", "  Feature Report Byte Length: 0",
        "CreateFile, ReadHandle", " OutputReportByteLength = 8", " NumberOfBytesWritten = 8",
        " Report ID: 1", " Report Data:", " 6"})
    EXPECT_TRUE(Contains(lines, expected)) << expected;
  // Empty lines of the call reports are kept, one line per entry.
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[0], "");
  EXPECT_EQ(lines[1], "GetHidGuid");
  EXPECT_EQ(lines.back(), " 0");
  EXPECT_FALSE(Contains(lines, kLinkFailed));
  EXPECT_EQ(run.out, "");
}

TEST(Ql8810, AMissingBoardIsReportedOnce) {
  for (const char* scenario : {"absent", "none"}) {
    for (const char* command : {"level 12", "sweep 0 31", "sweep 31 0 --repeat 3"}) {
      const std::string args = std::string("--simulate=") + scenario + " " + command;
      const ToolRun run = RunTool(args);
      EXPECT_EQ(run.status, 1) << args;
      EXPECT_EQ(run.err, kLinkFailed + "\n") << args;
    }
  }
}

TEST(Ql8810, BadCommandLinesExitTwoWithOneLineNamingTheWord) {
  struct Case {
    std::string args;
    std::string mentions;
  };
  const Case cases[] = {
      {"--simulate --trace level 32", "level: \"32\" is out of range"},
      {"--simulate zeb 20 0xZZ 0 0 0 0 0", "B2: \"0xZZ\" is not"},
      {"--simulate \"\" level 3", "--simulate: empty scenario \"\""},
      {"--simulate= level 3", "--simulate: empty scenario \"\""},
      {"--simulate=bogus level 3", "unknown scenario \"bogus\"; expected one of board,"},
      {"bogus", "\"bogus\" is not a command; expected one of level,"},
      {"--simulate LEVEL 3", "\"LEVEL\" is not a command"},
      {"--simulate", "no command given"},
      {"--simulate level", "level: missing N"},
      {"--simulate level 3 4", "level: unexpected argument \"4\""},
      {"--simulate --foo level 3", "unknown option \"--foo\""},
      {"--simulate level --foo 3", "level: unknown option \"--foo\""},
      {"--silent break", "\"--silent\" is an option of break"},
      {"--simulate --trace=yes level 3", "--trace takes no value: \"--trace=yes\""},
      {"--simulate break --silent=yes", "--silent takes no value: \"--silent=yes\""},
      {"--simulate zeb 20 240 0 0 0 0", "zeb: missing B7"},
      {"--simulate zeb 20 240 0 0 0 0 0 0", "zeb: unexpected argument \"0\""},
      {"--simulate read --timeout-ms", "--timeout-ms needs a value"},
      {"--simulate sweep 0 31 --step 2 --step=3", "--step given twice"},
      {"caps", "caps: missing --descriptor FILE"},
      {"caps --descriptor /nonexistent/ql8810.bin", "\"/nonexistent/ql8810.bin\": cannot read it"},
      // Echoed input stays on one line, in order, and short.
      {"--simulate level '12\n'", "\"12\\n\" is not"},
      {"--simulate level '\u202E21\x1B[2J'", "\"\\u202E21\\x1B[2J\" is not"},
      {"--simulate level " + std::string(100000, '7'), "\"" + std::string(60, '7') + "\u2026\""},
  };
  for (const Case& c : cases) {
    const ToolRun run = RunTool(c.args);
    const std::string shown = c.args.substr(0, 80);
    EXPECT_EQ(run.status, 2) << shown;
    EXPECT_EQ(run.out, "") << shown;
    EXPECT_EQ(run.err.rfind("ql8810: ", 0), 0u) << shown << "\n" << run.err;
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << shown << "\n" << run.err;
    EXPECT_LT(run.err.size(), 200u) << shown;
    EXPECT_NE(run.err.find(c.mentions), std::string::npos) << shown << "\n" << run.err;
  }
}

TEST(Ql8810, CapsRefusesFilesThatDescribeNoReport) {
  const std::pair<std::string, std::string> cases[] = {
      {"", "the file is empty"},
      {"\x05\x01\x09\x06\xA1\x01\xC0", "declares no report"},  // an empty collection
  };
  const auto path = std::filesystem::temp_directory_path() /
                    ("ql8810-caps-test-" + std::to_string(getpid()) + ".bin");
  for (const auto& [bytes, mentions] : cases) {
    std::ofstream(path, std::ios::binary) << bytes;
    const ToolRun run = RunTool("caps --descriptor " + path.string());
    EXPECT_EQ(run.status, 2) << mentions;
    EXPECT_EQ(run.out, "") << mentions;
    EXPECT_EQ(run.err, "ql8810: --descriptor \"" + path.string() + "\": " + mentions + "\n");
  }
  std::filesystem::remove(path);
}

TEST(Ql8810, BusCommandsAndTheBreak) {
  struct Case {
    std::string args;
    int status;
    std::string reportLine;  // a data line of the write, or empty
  };
  const Case cases[] = {
      {"--simulate --trace break", 0, " F0"},
      {"--simulate=absent break", 1, ""},
      {"--simulate --trace zeb 0x14 240 0 1 2 3 0x04", 0, " 14"},
  };
  for (const Case& c : cases) {
    const ToolRun run = RunTool(c.args);
    EXPECT_EQ(run.status, c.status) << c.args << run.err;
    if (!c.reportLine.empty()) {
      EXPECT_TRUE(Contains(LinesOf(run.err), c.reportLine)) << c.args;
    }
  }
  const ToolRun absent = RunTool("--simulate=absent break");
  EXPECT_EQ(absent.err, "Write to USB bus failed. Please try again.\n");
  const ToolRun silent = RunTool("--simulate=absent break --silent");
  EXPECT_EQ(silent.status, 1);
  EXPECT_EQ(silent.err, "");
}

TEST(Ql8810, SweepSearchesOnceAndSendsEveryLevel) {
  const ToolRun run = RunTool("--simulate --trace sweep 31 0 --step 10");
  EXPECT_EQ(run.status, 0) << run.err;
  const auto lines = LinesOf(run.err);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "GetHidGuid"), 1);
  // 31, 21, 11, 1: reversed 1F, 15, 1A, 10.
  EXPECT_EQ(std::count(lines.begin(), lines.end(), " Report Data:"), 4);
  for (const char* sent : {" 1F", " 15", " 1A", " 10"}) EXPECT_TRUE(Contains(lines, sent)) << sent;
}

TEST(Ql8810, ListsEveryInterfaceAndMarksTheBoard) {
  const ToolRun run = RunTool("--simulate list");
  EXPECT_EQ(run.status, 0);
  const auto lines = LinesOf(run.out);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].rfind("0 ", 0), 0u);
  EXPECT_NE(lines[0].find(" 046D:C31C"), std::string::npos);  // even the keyboard answers
  EXPECT_NE(lines[2].find(" 0483:0003 board"), std::string::npos);
  EXPECT_EQ(RunTool("--simulate=none list").out, "");
}

}  // namespace
}  // namespace ql::testing
