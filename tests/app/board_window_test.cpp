// The demo's board window shows what each send did, its switch pulls the
// board's plug, and it keeps out of the dimming window's way.
#include "app/board_window.h"

#include <QLabel>
#include <QProgressBar>

#include "app_bench.h"

namespace ql::app::testing {
namespace {

// It opens beside the dimming window once that is up, and closing it ends the
// demo, for without it the board could no longer be unplugged.
TEST(BoardWindow, FollowsTheSendsUnplugsTheBoardAndEndsTheDemo) {
  AppBench bench;
  int diagnosticShown = 0;
  BoardWindow board(bench.pc, bench.firmware, bench.link.List(), [&] { ++diagnosticShown; });
  board.JoinProgram(bench.program);
  const auto text = [&](const char* name) { return Child<QLabel>(board, name)->text(); };
  FrmMain& main = bench.AtDimmingWindow();
  bench.List()->setCurrentIndex(12);
  Click(main, "CmdSend");
  EXPECT_TRUE(QTest::qWaitFor([&] { return board.isVisible(); }, 2000));
  EXPECT_FALSE(board.frameGeometry().intersects(main.frameGeometry()));
  EXPECT_EQ(text("lblLevel"), "12");
  EXPECT_EQ(Child<QProgressBar>(board, "barLevel")->value(), 12);
  EXPECT_EQ(text("lblLastReport"), "01 01 06 00 00 00 00 00");

  Click(board, "cmdPlug");
  EXPECT_FALSE(bench.pc.IsPlugged());
  EXPECT_EQ(text("lblPlugState"), "unplugged");
  Click(board, "cmdPlug");
  EXPECT_TRUE(bench.pc.IsPlugged());
  Click(board, "cmdShowDiagnostic");
  EXPECT_EQ(diagnosticShown, 1);
  board.close();
  EXPECT_EQ(bench.ends, 1);
  EXPECT_TRUE(bench.ShutDownOnce());
}

// Beside, never over: the first side with room on the screen.
TEST(BoardWindow, PlacedBesideTheDimmingWindowNeverOverIt) {
  const QRect screen(0, 0, 1280, 1024);
  const QSize board(400, 300);
  const std::tuple<const char*, QRect, QPoint> cases[] = {
      {"room on the right", {0, 0, 450, 480}, {466, 0}},
      {"at the right edge", {830, 100, 450, 480}, {414, 100}},
      {"low on the screen", {0, 900, 450, 100}, {466, 724}},
      {"wide", {100, 0, 1000, 480}, {100, 496}},
      {"wide, at the bottom", {100, 520, 1000, 480}, {100, 204}},
      {"no room anywhere", {0, 0, 1280, 1024}, {1296, 0}},
  };
  for (const auto& [name, anchor, expected] : cases) {
    const QPoint at = PlaceBeside(anchor, board, screen);
    EXPECT_EQ(at, expected) << name;
    EXPECT_FALSE(QRect(at, board).intersects(anchor)) << name;
  }
}

}  // namespace
}  // namespace ql::app::testing
