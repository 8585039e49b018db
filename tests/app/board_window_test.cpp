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
  BoardWindow board(bench.pc, bench.firmware, bench.list, [&] { ++diagnosticShown; });
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

// Beside, not over, where a side has room; on the screen always, over as
// little of the dimming window as it can where none has (the screen of
// 1280 x 1024 pixels at scale factor 2 is 640 x 512).
TEST(BoardWindow, PlacedBesideTheDimmingWindowAndOnTheScreen) {
  const QRect screen(0, 0, 1280, 1024);
  const QSize board(400, 300);
  const std::tuple<const char*, QRect, QRect, QPoint, int> cases[] = {
      {"room on the right", screen, {0, 0, 450, 480}, {466, 0}, 0},
      {"at the right edge", screen, {830, 100, 450, 480}, {414, 100}, 0},
      {"low on the screen", screen, {0, 900, 450, 100}, {466, 724}, 0},
      {"wide", screen, {100, 0, 1000, 480}, {100, 496}, 0},
      {"wide, at the bottom", screen, {100, 520, 1000, 480}, {100, 204}, 0},
      {"scale 2, centred", {0, 0, 640, 512}, {95, 32, 450, 448}, {240, 0}, 305 * 268},
      {"scale 2, at the top left", {0, 0, 640, 512}, {0, 0, 450, 448}, {240, 212}, 210 * 236},
      {"anchor fills the screen", screen, {0, 0, 1280, 1024}, {880, 0}, 400 * 300},
      {"screen smaller than the window", {0, 0, 300, 200}, {0, 0, 100, 100}, {0, 0}, 100 * 100},
  };
  for (const auto& [name, area, anchor, expected, overlap] : cases) {
    const QPoint at = PlaceBeside(anchor, board, area);
    EXPECT_EQ(at, expected) << name;
    const QRect over = QRect(at, board).intersected(anchor);
    EXPECT_EQ(over.isEmpty() ? 0 : over.width() * over.height(), overlap) << name;
    if (board.width() <= area.width() && board.height() <= area.height()) {
      EXPECT_TRUE(area.contains(QRect(at, board))) << name;
    }
  }
}

}  // namespace
}  // namespace ql::app::testing
