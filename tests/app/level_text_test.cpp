#include "app/level_text.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace ql::app {
namespace {

TEST(LevelFromText, AcceptsWhatTheOperatorMayType) {
  // A half goes to the even level.
  const std::vector<std::pair<std::string, int>> accepted = {
      {" 12 ", 12},   {"\t7", 7},   {"+3", 3},    {"0", 0},     {"31", 31},
      {"007", 7},     {"16.4", 16}, {"16.5", 16}, {"17.5", 18}, {"16.51", 17},
      {"16.500", 16}, {".6", 1},    {"4.", 4},    {"-0.4", 0}};
  for (const auto& [text, level] : accepted) EXPECT_EQ(LevelFromText(text, "."), level) << text;

  for (const char* text : {"abc", "40", "31.5", "32", "-1", "99999999999999999999", "   ", "12abc",
                           "1 2", ".", "+", "0x10"})
    EXPECT_EQ(LevelFromText(text, "."), std::nullopt) << text;

  // The locale's separator instead of the point, not besides it.
  EXPECT_EQ(LevelFromText("16,5", ","), 16);
  EXPECT_EQ(LevelFromText("16.5", ","), std::nullopt);
}

}  // namespace
}  // namespace ql::app
