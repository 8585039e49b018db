#include "hidlink/diagnostic_list.h"

#include <gtest/gtest.h>

namespace ql::hidlink {
namespace {

struct Recorder final : DiagnosticList::Observer {
  void LinesAppended(std::size_t first, std::size_t count) override {
    appended.emplace_back(first, count);
  }
  void SelectionChanged(std::size_t index) override { selected.push_back(index); }
  std::vector<std::pair<std::size_t, std::size_t>> appended;
  std::vector<std::size_t> selected;
};

TEST(DiagnosticList, AppendKeepsTextsExactlyAndLeavesTheSelection) {
  DiagnosticList list;
  list.SelectLast();  // nothing to select yet
  EXPECT_FALSE(list.Selected().has_value());
  Recorder r;
  list.AddObserver(&r);
  list.Append("");
  list.Append("  Result = ");
  list.SelectLast();
  list.Append("waiting for ReadFile");
  EXPECT_EQ(list.Lines(), (std::vector<std::string>{"", "  Result = ", "waiting for ReadFile"}));
  EXPECT_EQ(list.Selected(), 1u);  // appending did not move it
  EXPECT_EQ(r.appended, (std::vector<std::pair<std::size_t, std::size_t>>{{0, 1}, {1, 1}, {2, 1}}));
  EXPECT_EQ(r.selected, (std::vector<std::size_t>{1}));
  list.RemoveObserver(&r);
  list.Append("x");
  EXPECT_EQ(r.appended.size(), 3u);
}

// Every line reads back as it was stored, whatever was stored around it:
// across the chunks the lines are kept in, and with more texts than two bytes
// could number.
TEST(DiagnosticList, EveryLineReadsBackAcrossChunks) {
  DiagnosticList list;
  const auto text = [](std::size_t i) {
    return i < 100'000 ? std::string(i % 2 ? "a" : "b") : "line " + std::to_string(i);
  };
  // Repeats, then 70000 distinct texts from the second chunk on.
  for (std::size_t i = 0; i < 170'000; ++i) list.Append(text(i));
  list.SelectLast();
  EXPECT_EQ(list.size(), 170'000u);
  EXPECT_EQ(list.Selected(), 169'999u);
  EXPECT_EQ(list.DistinctTexts(), 70'002u);  // repeats are stored once
  for (std::size_t i : {0u, 65'535u, 65'536u, 99'999u, 100'000u, 131'071u, 131'072u, 169'999u})
    EXPECT_EQ(list[i], text(i)) << i;
}

}  // namespace
}  // namespace ql::hidlink
