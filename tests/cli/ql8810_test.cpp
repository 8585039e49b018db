// The command-line tool, run as a user runs it, through a POSIX shell.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace ql::testing {
namespace {

struct ToolRun {
  int status;
  std::string out, err;
};

std::vector<std::string> LinesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}
bool HasLine(const std::string& text, const std::string& line) {
  return ("\n" + text).find("\n" + line + "\n") != std::string::npos;
}

std::filesystem::path Scratch(const std::string& what) {
  static std::atomic<int> n{0};
  return std::filesystem::temp_directory_path() /
         ("ql8810-test-" + std::to_string(getpid()) + "-" + std::to_string(n++) + what);
}

// `args` is appended to the tool's path as a shell command line.
ToolRun RunTool(const std::string& args) {
  const auto out = Scratch(".out"), err = Scratch(".err");
  const int raw = std::system(("\"" QL8810_PATH "\" " + args + " >\"" + out.string() + "\" 2>\"" +
                               err.string() + "\" </dev/null")
                                  .c_str());
  const auto slurp = [](const std::filesystem::path& path) {
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    std::filesystem::remove(path);
    return text.str();
  };
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw), slurp(out), slurp(err)};
}

const std::string kLinkFailed =
    "Communication with Interface Board Failed. Please resert the interface board and try again.\n";

// A sweep stops at its first failure: one message, not one per level.
TEST(Ql8810, AMissingBoardIsReportedOnce) {
  for (const char* args : {"--simulate=absent level 12", "--simulate=none sweep 0 31",
                           "--simulate=absent sweep 31 0 --repeat 3"}) {
    const ToolRun run = RunTool(args);
    EXPECT_EQ(run.status, 1) << args;
    EXPECT_EQ(run.err, kLinkFailed) << args;
  }
}

TEST(Ql8810, BadCommandLinesExitTwoWithOneLineNamingTheWord) {
  const auto noReport = Scratch(".bin");  // an empty collection
  std::ofstream(noReport, std::ios::binary) << "\x05\x01\x09\x06\xA1\x01\xC0";
  const std::pair<std::string, std::string> cases[] = {
      {"--simulate --trace level 32", "level: \"32\" is out of range"},
      {"--simulate zeb 20 0xZZ 0 0 0 0 0", "B2: \"0xZZ\" is not"},
      {"--simulate \"\" level 3", "--simulate: empty scenario \"\""},
      {"--simulate=bogus level 3", "unknown scenario \"bogus\"; expected one of board,"},
      {"bogus", "\"bogus\" is not a command; expected one of level,"},
      {"--simulate", "no command given"},
      {"--simulate zeb 20 240 0 0 0 0", "zeb: missing B7"},
      {"--simulate level 3 4", "level: unexpected argument \"4\""},
      {"--simulate --foo level 3", "unknown option \"--foo\""},
      {"--simulate level --foo 3", "level: unknown option \"--foo\""},
      {"--silent break", "\"--silent\" is an option of break"},
      {"--simulate --trace=yes level 3", "--trace takes no value: \"--trace=yes\""},
      {"--simulate read --timeout-ms", "--timeout-ms needs a value"},
      {"--simulate sweep 0 31 --step 2 --step=3", "--step given twice"},
      {"caps", "caps: missing --descriptor FILE"},
      {"caps --descriptor /nonexistent/ql8810.bin", "\"/nonexistent/ql8810.bin\": cannot read it"},
      {"caps --descriptor /dev/null", "--descriptor \"/dev/null\": the file is empty"},
      {"caps --descriptor " + noReport.string(), "\": declares no report"},
      // Echoed input stays on one line, in order, and short.
      {"--simulate level '12\n'", "\"12\\n\" is not"},
      {"--simulate level '\u202E21\x1B[2J'", "\"\\u202E21\\x1B[2J\" is not"},
      {"--simulate level " + std::string(100000, '7'), "\"" + std::string(60, '7') + "\u2026\""},
  };
  for (const auto& [args, mentions] : cases) {
    const ToolRun run = RunTool(args);
    const std::string shown = args.substr(0, 80) + "\n" + run.err;
    EXPECT_EQ(run.status, 2) << shown;
    EXPECT_EQ(run.out, "") << shown;
    EXPECT_EQ(run.err.rfind("ql8810: ", 0), 0u) << shown;
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << shown;
    EXPECT_LT(run.err.size(), 200u) << shown;
    EXPECT_NE(run.err.find(mentions), std::string::npos) << shown;
  }
  std::filesystem::remove(noReport);
}

TEST(Ql8810, BusCommandsAndTheBreak) {
  const ToolRun zeb = RunTool("--simulate --trace zeb 0x14 240 0 1 2 3 0x04");
  EXPECT_EQ(zeb.status, 0) << zeb.err;
  EXPECT_TRUE(HasLine(zeb.err, " 14"));
  const ToolRun absent = RunTool("--simulate=absent break");
  EXPECT_EQ(absent.status, 1);
  EXPECT_EQ(absent.err, "Write to USB bus failed. Please try again.\n");
  const ToolRun silent = RunTool("--simulate=absent break --silent");
  EXPECT_EQ(silent.status, 1);
  EXPECT_EQ(silent.err, "");
}

// The trace goes to standard error one line per entry, empty lines kept.
TEST(Ql8810, TracedSweepSearchesOnceAndSendsEveryLevel) {
  const ToolRun run = RunTool("--simulate --trace sweep 31 0 --step 10");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "");
  const auto lines = LinesOf(run.err);
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[0], "");
  EXPECT_EQ(lines[1], "GetHidGuid");
  EXPECT_EQ(lines.back(), " 0");
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "GetHidGuid"), 1);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), " Report Data:"), 4);
  // 31, 21, 11, 1: reversed 1F, 15, 1A, 10.
  for (const char* sent : {" 1F", " 15", " 1A", " 10"}) EXPECT_TRUE(HasLine(run.err, sent)) << sent;
}

TEST(Ql8810, ListsEveryInterfaceAndMarksTheBoard) {
  const ToolRun run = RunTool("--simulate list");
  EXPECT_EQ(run.status, 0);
  const auto lines = LinesOf(run.out);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].rfind("0 ", 0), 0u);
  EXPECT_NE(lines[0].find(" 046D:C31C"), std::string::npos);  // even the keyboard answers
  EXPECT_EQ(lines[2].substr(lines[2].size() - 6), " board");
  EXPECT_EQ(RunTool("--simulate=none list").out, "");
}

TEST(Ql8810, ListSaysWhoEachBoardIsInLinesAndInJson) {
  const auto lines = LinesOf(RunTool("--simulate=two list").out);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_NE(lines[2].find(" 0483:0003 QL0001 \"QL8810 interface board (simulated)\" "
                          "PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(3) board"),
            std::string::npos);
  EXPECT_NE(lines[3].find(" 0483:0003 QL0002 "), std::string::npos);
  EXPECT_NE(lines[0].find(" 046D:C31C - \"USB Keyboard\" "), std::string::npos);

  const std::string json = RunTool("--simulate=two list --json").out;
  EXPECT_EQ(json.front(), '[');
  EXPECT_EQ(json.substr(json.size() - 3), "\n]\n");
  EXPECT_NE(json.find(R"x("serial": "QL0002", "manufacturer": "", )x"
                      R"x("product": "QL8810 interface board (simulated)", )x"
                      R"x("port": "PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(4)", "board": true})x"),
            std::string::npos);
  EXPECT_EQ(RunTool("--simulate=none list --json").out, "[]\n");
}

TEST(Ql8810, BoardSelectorReachesOneBoardOrSaysWhyNot) {
  const struct {
    std::string args;
    int status;
    std::string errLine;  // empty: the command's own output only
  } cases[] = {
      {"--simulate=two --board QL0002 level 12", 0, ""},
      {"--simulate=two --board '#2' level 12", 0, ""},
      {"--simulate=two-no-serial --board 'PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(3)' level 12", 0, ""},
      {"--simulate=two --board QL0009 level 12", 1,
       "ql8810: no board \"QL0009\" among 2: QL0001, QL0002"},
      {"--simulate=absent --board QL0001 level 12", 1, "ql8810: no board \"QL0001\" among 0"},
      {"--simulate=two --board '#0' level 12", 2,
       "ql8810: --board: bad selector \"#0\"; #N counts boards from #1, with N a whole number"},
      {"--simulate=two --board '' level 12", 2,
       "ql8810: --board: bad selector \"\"; an empty board selector names no board"},
      {"--simulate=two level 12 --board", 2, "ql8810: level: --board needs a value"},
  };
  for (const auto& c : cases) {
    const ToolRun run = RunTool(c.args);
    EXPECT_EQ(run.status, c.status) << c.args;
    EXPECT_EQ(run.err, c.errLine.empty() ? "" : c.errLine + "\n") << c.args;
  }
  // A long selector is refused in one line too.
  const ToolRun huge = RunTool("--simulate=two --board " + std::string(10000, 'a') + " level 1");
  EXPECT_EQ(huge.status, 2);
  EXPECT_EQ(LinesOf(huge.err).size(), 1u);
}

TEST(Ql8810, WatchTellsEachUnplugAndPlugOnce) {
  const auto lines = LinesOf(RunTool("--simulate=replug watch --count 3").out);
  const std::string path =
      R"(\\?\hid#vid_0483&pid_0003#7&3a4b5c6d&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030})";
  const char* events[] = {"unplugged", "plugged", "unplugged"};
  ASSERT_EQ(lines.size(), std::size(events));
  for (std::size_t i = 0; i < lines.size(); ++i) {
    // 2026-12-07T12:05:30, then the event.
    ASSERT_GT(lines[i].size(), 20u);
    EXPECT_EQ(lines[i][10], 'T') << lines[i];
    EXPECT_EQ(lines[i].substr(20),
              std::string(events[i]) + " QL0001 PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(3) " + path);
  }
  const auto json = LinesOf(RunTool("--simulate=replug watch --json --count 2").out);
  ASSERT_EQ(json.size(), 2u);
  EXPECT_EQ(json[1].rfind("{\"time\": \"", 0), 0u);
  EXPECT_NE(json[1].find(R"x(", "event": "plugged", "serial": "QL0001", )x"), std::string::npos);
}

TEST(Ql8810, TraceOfASelectedBoardShowsItsSerialBeforeItIsDetected) {
  const ToolRun run = RunTool("--simulate=two --board QL0002 --trace level 12");
  ASSERT_EQ(run.status, 0);
  const auto lines = LinesOf(run.err);
  const auto second = std::find(lines.begin(), lines.end(), "  Serial Number: QL0002");
  ASSERT_NE(second, lines.end());
  EXPECT_EQ(*(second + 1), "  My device detected");
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "  Serial Number: QL0001"), 1);
  // Without a selector the trace has no serial numbers at all.
  EXPECT_EQ(RunTool("--simulate=two --trace level 12").err.find("Serial Number"),
            std::string::npos);
}

}  // namespace
}  // namespace ql::testing
