// The demo's board window shows what each send did, and its switch pulls the
// board's plug.
#include "app/board_window.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QProgressBar>

#include "app_bench.h"

namespace ql::app::testing {
namespace {

TEST(BoardWindow, FollowsTheSendsAndUnplugsTheBoard) {
  AppBench bench;
  int diagnosticShown = 0;
  BoardWindow board(*bench.sim, bench.firmware, bench.link.List(), [&] { ++diagnosticShown; });
  const auto text = [&](const char* name) { return Child<QLabel>(board, name)->text(); };
  EXPECT_EQ(text("lblLevel"), "-");
  EXPECT_EQ(text("lblLastReport"), "none yet");

  FrmMain& main = bench.AtDimmingWindow();
  Child<QComboBox>(main, "comboLvl")->setCurrentIndex(12);
  Click(main, "CmdSend");
  QApplication::processEvents();  // the window looks again once the send is done
  EXPECT_EQ(text("lblLevel"), "12");
  EXPECT_EQ(Child<QProgressBar>(board, "barLevel")->value(), 12);
  EXPECT_EQ(text("lblLastReport"), "01 01 06 00 00 00 00 00");

  Click(board, "cmdPlug");
  EXPECT_FALSE(bench.sim->IsPlugged());
  EXPECT_EQ(text("lblPlugState"), "unplugged");
  Click(board, "cmdPlug");
  EXPECT_TRUE(bench.sim->IsPlugged());
  Click(board, "cmdShowDiagnostic");
  EXPECT_EQ(diagnosticShown, 1);
}

}  // namespace
}  // namespace ql::app::testing
