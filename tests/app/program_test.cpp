// Start-up, the way from the splash window to the dimming window, and the end.
#include <gmock/gmock.h>

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

#include "app/logo.h"
#include "app_bench.h"

namespace ql::app::testing {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::Not;

std::vector<std::string> Windows(bool hiddenToo = false) {
  std::vector<std::string> names;
  for (const QWidget* w : QApplication::topLevelWidgets())
    if (hiddenToo || w->isVisible()) names.push_back(w->objectName().toStdString());
  return names;
}

TEST(StartUp, OnlyTheSplashWindowIsUpWithTheVersionAndLogo) {
  AppBench bench;
  bench.program.Start();
  FrmSplash& splash = bench.program.Splash();
  EXPECT_THAT(Windows(), ElementsAre("frmSplash"));
  // Painted first; the dimming window, slower to build, is loaded and hidden
  // right after.
  EXPECT_THAT(Windows(true), Not(Contains("frmMain")));
  EXPECT_TRUE(
      QTest::qWaitFor([] { return std::ranges::count(Windows(true), "frmMain") == 1; }, 2000));
  EXPECT_THAT(Windows(), ElementsAre("frmSplash"));
  EXPECT_EQ(Child<QLabel>(splash, "lblVersion")->text(), "Version 0.9.1");
  const QPoint screenCentre = QGuiApplication::primaryScreen()->availableGeometry().center();
  EXPECT_LE((splash.frameGeometry().center() - screenCentre).manhattanLength(), 8);
  EXPECT_EQ(splash.focusWidget(), Child(splash, "cmdCont"));
  // A resource left out of the build gives an empty logo.
  EXPECT_EQ(Logo().size(), QSize(136, 31));

  QTest::keyClick(&splash, Qt::Key_Shift);  // types nothing
  EXPECT_THAT(Windows(), ElementsAre("frmSplash"));
}

// Any way out of the splash window leads on, never to a program without one.
TEST(StartUp, ContinueLeavesTheDimmingWindowReadyAndNothingSent) {
  const std::pair<const char*, std::function<void(FrmSplash&)>> ways[] = {
      {"Continue clicked", [](FrmSplash& s) { Click(s, "cmdCont"); }},
      {"key x", [](FrmSplash& s) { QTest::keyClick(&s, Qt::Key_X); }},
      {"Enter on the button",
       [](FrmSplash& s) { QTest::keyClick(Child(s, "cmdCont"), Qt::Key_Return); }},
      {"closed by the window manager", [](FrmSplash& s) { s.close(); }},
  };
  for (const auto& [name, go] : ways) {
    AppBench bench;
    bench.program.Start();
    go(bench.program.Splash());
    EXPECT_THAT(Windows(), ElementsAre("frmMain")) << name;
    EXPECT_EQ(bench.program.Main().windowTitle(), "QL8810 Evaluation System") << name;
    EXPECT_EQ(bench.List()->currentText(), "16") << name;
    EXPECT_EQ(bench.firmware.ReceivedCount(), 0u) << name;
    EXPECT_EQ(bench.link.AllReportLen(), 8) << name;
  }
}

// The close box after the end has begun finds the link released.
TEST(Exit, ShutdownRunsOnceAndTheProgramEnds) {
  const std::pair<const char*, std::function<void(FrmMain&)>> ways[] = {
      {"Exit clicked", [](FrmMain& m) { Click(m, "cmdExit"); }},
      {"close box", [](FrmMain& m) { m.close(); }},
      {"Enter on Exit, which has the focus",
       [](FrmMain& m) { QTest::keyClick(m.focusWidget(), Qt::Key_Return); }},
  };
  for (const auto& [name, go] : ways) {
    AppBench bench;
    FrmMain& main = bench.AtDimmingWindow();
    Click(main, "CmdSend");  // opens the link
    go(main);
    main.close();
    EXPECT_EQ(bench.ends, 1) << name;
    EXPECT_TRUE(bench.ShutDownOnce()) << name;
  }
}

}  // namespace
}  // namespace ql::app::testing
