#include "app/level_text.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace ql::app {
namespace {

TEST(LevelFromText, AcceptsWhatTheOperatorMayType) {
  struct Case {
    std::string text;
    std::string separator;
    std::optional<int> level;
  };
  const std::vector<Case> cases = {
      {"16", ".", 16},
      {" 12 ", ".", 12},
      {"\t7", ".", 7},
      {"+3", ".", 3},
      {"0", ".", 0},
      {"31", ".", 31},
      {"007", ".", 7},
      {"16.4", ".", 16},
      {"16.5", ".", 16},
      {"17.5", ".", 18},
      {"16.51", ".", 17},
      {"16.500", ".", 16},
      {"0.5", ".", 0},
      {".6", ".", 1},
      {"4.", ".", 4},
      {"-0.4", ".", 0},
      {"30.5", ".", 30},
      {"16,5", ",", 16},
      {"17,5", ",", 18},
      {"16.5", ",", std::nullopt},
      {"31.5", ".", std::nullopt},  // rounds to 32
      {"32", ".", std::nullopt},
      {"40", ".", std::nullopt},
      {"-1", ".", std::nullopt},
      {"99999999999999999999", ".", std::nullopt},
      {"", ".", std::nullopt},
      {"   ", ".", std::nullopt},
      {"abc", ".", std::nullopt},
      {"12abc", ".", std::nullopt},
      {"1 2", ".", std::nullopt},
      {".", ".", std::nullopt},
      {"+", ".", std::nullopt},
      {"Combo1", ".", std::nullopt},
      {"1e1", ".", std::nullopt},
      {"0x10", ".", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(LevelFromText(c.text, c.separator), c.level) << c.text;
}

}  // namespace
}  // namespace ql::app
