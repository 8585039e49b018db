#include "cli/command_line.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace ql::cli {
namespace {

using Kind = ParsedCommandLine::Kind;

ParsedCommandLine Parse(const std::vector<std::string>& words) {
  const std::vector<std::string_view> views(words.begin(), words.end());
  return ParseCommandLine(views);
}

TEST(CommandLine, ValuesArriveWhateverTheirForm) {
  const auto sweep = Parse({"sweep", "31", "0", "--step=10", "--repeat", "2", "--simulate=mute"});
  ASSERT_EQ(sweep.kind, Kind::kRun) << sweep.text;
  EXPECT_EQ(sweep.line.simulate, hidlink::sim::Scenario::kMute);
  EXPECT_EQ(std::vector({sweep.line.from, sweep.line.to, sweep.line.step, sweep.line.repeat}),
            std::vector({31, 0, 10, 2}));

  const auto test = Parse({"--simulate", "absent", "--trace", "test", "--byte1", "ff"});
  ASSERT_EQ(test.kind, Kind::kRun) << test.text;
  EXPECT_EQ(test.line.simulate, hidlink::sim::Scenario::kAbsent);
  EXPECT_TRUE(test.line.trace);
  EXPECT_EQ(test.line.byte0, 0x01);
  EXPECT_EQ(test.line.byte1, 0xFF);

  const auto zeb = Parse({"zeb", "--", "0x14", "240", "0", "1", "2", "3", "4"});
  ASSERT_EQ(zeb.kind, Kind::kRun) << zeb.text;
  EXPECT_FALSE(zeb.line.simulate);
  EXPECT_EQ(zeb.line.zebCode, 0x14);
  EXPECT_EQ(zeb.line.zebBytes, (std::array<std::uint8_t, 6>{240, 0, 1, 2, 3, 4}));
}

// Random lines of words that mean something to the parser and words that
// mean nothing: never a crash, and a refusal is one short line.
TEST(CommandLine, AnyLineIsRunOrRefusedInOneShortLine) {
  std::vector<std::string> pool = {"",         "\n",   "\x1B[31m",           "\xE2\x80\xAE",
                                   "\xC0\x80", "\xFF", std::string(300, 'x')};
  std::istringstream plain(
      "level sweep zeb caps read test list = --simulate --simulate= --simulate=mute --trace "
      "--trace=1 --step --step= --descriptor --timeout-ms --byte0 --silent --help -- - -1 0x1F 31");
  for (std::string word; plain >> word;) pool.push_back(word);
  std::mt19937 random(8810);
  for (int run = 0; run < 20000; ++run) {
    std::vector<std::string> words(random() % 7);
    for (std::string& word : words) {
      word = pool[random() % pool.size()];
      if (random() % 4 == 0) word += pool[random() % pool.size()];
    }
    const ParsedCommandLine parsed = Parse(words);
    if (parsed.kind != Kind::kBad) continue;
    ASSERT_LT(parsed.text.size(), 250u) << parsed.text;
    for (const char c : parsed.text)
      ASSERT_FALSE(static_cast<unsigned char>(c) < 0x20 || c == 0x7F) << parsed.text;
    ASSERT_EQ(parsed.text.find("\xE2\x80\xAE"), std::string::npos) << parsed.text;
  }
}

}  // namespace
}  // namespace ql::cli
