#include "app/board_argument.h"

#include <gtest/gtest.h>

namespace ql::app {
namespace {

TEST(BoardFromArguments, TakesOneSelectorAmongQtsArgumentsAndNamesWhatIsWrong) {
  const struct {
    QStringList arguments;
    std::string selected;  // the selector's text, or empty for none
    std::string error;
  } cases[] = {
      {{"QL8810Eval"}, "", ""},
      {{"QL8810Eval", "-platform", "offscreen"}, "", ""},
      {{"QL8810Eval", "--board", "QL0002"}, "QL0002", ""},
      {{"QL8810Eval", "--board=#2", "-style", "fusion"}, "#2", ""},
      {{"QL8810Eval", "--board"}, "", "--board needs a selector"},
      {{"QL8810Eval", "--board", "#0"},
       "",
       "--board: #N counts boards from #1, with N a whole number"},
      {{"QL8810Eval", "--board="}, "", "--board: an empty board selector names no board"},
      {{"QL8810Eval", "--board", "A", "--board", "B"}, "", "--board given twice"},
  };
  for (const auto& c : cases) {
    const BoardArgument board = BoardFromArguments(c.arguments);
    EXPECT_EQ(board.error, c.error) << c.arguments.join(' ').toStdString();
    EXPECT_EQ(board.selector ? board.selector->Text() : "", c.selected)
        << c.arguments.join(' ').toStdString();
  }
}

}  // namespace
}  // namespace ql::app
