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
  BoardWindow board(*bench.sim, bench.link.List(), [&] { ++diagnosticShown; });
  const auto text = [&](const char* name) {
    return AppBench::Child<QLabel>(board, name)->text().toStdString();
  };
  EXPECT_EQ(text("lblLevel"), "-");
  EXPECT_EQ(text("lblLastReport"), "none yet");

  FrmMain& main = bench.AtDimmingWindow();
  main.findChild<QComboBox*>("comboLvl")->setCurrentIndex(12);
  AppBench::Child<QAbstractButton>(main, "CmdSend")->click();
  QApplication::processEvents();  // the window looks again once the send is done
  EXPECT_EQ(text("lblLevel"), "12");
  EXPECT_EQ(AppBench::Child<QProgressBar>(board, "barLevel")->value(), 12);
  EXPECT_EQ(text("lblLastReport"), "01 01 06 00 00 00 00 00");

  AppBench::Child<QAbstractButton>(board, "cmdPlug")->click();
  EXPECT_FALSE(bench.sim->IsPlugged());
  EXPECT_EQ(text("lblPlugState"), "unplugged");
  AppBench::Child<QAbstractButton>(main, "CmdSend")->click();
  EXPECT_EQ(bench.messages.shown.size(), 1u);
  AppBench::Child<QAbstractButton>(board, "cmdPlug")->click();
  EXPECT_TRUE(bench.sim->IsPlugged());

  AppBench::Child<QAbstractButton>(board, "cmdShowDiagnostic")->click();
  EXPECT_EQ(diagnosticShown, 1);
}

}  // namespace
}  // namespace ql::app::testing
