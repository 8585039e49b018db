// Start-up, the way from the splash window to the dimming window, and the end.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QSlider>
#include <QTest>
#include <functional>

#include "app_bench.h"

namespace ql::app::testing {
namespace {

using ::testing::ElementsAre;

TEST(StartUp, OnlyTheSplashWindowIsUpWithTheVersion) {
  AppBench bench;
  bench.program.Start();

  EXPECT_THAT(VisibleWindows(), ElementsAre("frmSplash"));
  FrmSplash& splash = bench.program.Splash();
  EXPECT_EQ(AppBench::Child<QLabel>(splash, "lblVersion")->text(), "Version 0.9.1");
  EXPECT_EQ(AppBench::Child<QLabel>(splash, "lblCompanyProduct")->text(),
            "Corvane QL8810  Eval Kit");
  EXPECT_EQ(splash.windowTitle(), "");
  EXPECT_EQ(splash.size(), QSize(514, 362));
  const QPoint screenCentre = QGuiApplication::primaryScreen()->availableGeometry().center();
  EXPECT_LE((splash.frameGeometry().center() - screenCentre).manhattanLength(), 8);
  EXPECT_TRUE(AppBench::Child<QWidget>(splash, "cmdCont")->hasFocus() ||
              splash.focusWidget() == AppBench::Child<QWidget>(splash, "cmdCont"));

  // Loaded behind the splash window, not yet titled; the link not yet set up.
  EXPECT_EQ(bench.program.Main().windowTitle(), QString(10, ' '));
  EXPECT_EQ(bench.link.AllReportLen, 0);
  EXPECT_EQ(bench.link.List().size(), 0u);
}

// "&Continue", any key that types a character and a close lead on the same
// way.
TEST(StartUp, ContinueLeavesTheDimmingWindowReadyAndNothingSent) {
  const std::vector<std::pair<const char*, std::function<void(FrmSplash&)>>> ways = {
      {"Continue clicked",
       [](FrmSplash& s) { AppBench::Child<QAbstractButton>(s, "cmdCont")->click(); }},
      {"key x", [](FrmSplash& s) { QTest::keyClick(&s, Qt::Key_X); }},
      {"Enter on the button",
       [](FrmSplash& s) {
         QTest::keyClick(AppBench::Child<QWidget>(s, "cmdCont"), Qt::Key_Return);
       }},
      {"Escape", [](FrmSplash& s) { QTest::keyClick(&s, Qt::Key_Escape); }},
      {"closed by the window manager", [](FrmSplash& s) { s.close(); }},
  };
  for (const auto& [name, go] : ways) {
    AppBench bench;
    bench.program.Start();
    go(bench.program.Splash());

    EXPECT_THAT(VisibleWindows(), ElementsAre("frmMain")) << name;
    FrmMain& main = bench.program.Main();
    EXPECT_EQ(main.windowTitle(), "QL8810 Evaluation System") << name;
    EXPECT_EQ(AppBench::Child<QComboBox>(main, "comboLvl")->currentText(), "16") << name;
    EXPECT_EQ(AppBench::Child<QSlider>(main, "sldLvl")->value(), 16) << name;
    EXPECT_TRUE(bench.sim->Board().ReceivedReports().empty()) << name;
    EXPECT_EQ(bench.link.AllReportLen, 8) << name;
    EXPECT_FALSE(bench.program.Usb().isVisible()) << name;
  }
}

TEST(StartUp, ShiftAloneTypesNothingAndKeepsTheSplashWindow) {
  AppBench bench;
  bench.program.Start();
  QTest::keyClick(&bench.program.Splash(), Qt::Key_Shift);
  EXPECT_THAT(VisibleWindows(), ElementsAre("frmSplash"));
}

TEST(Exit, ShutdownRunsOnceAndTheProgramEnds) {
  const std::vector<std::pair<const char*, std::function<void(FrmMain&)>>> ways = {
      {"Exit clicked", [](FrmMain& m) { AppBench::Child<QAbstractButton>(m, "cmdExit")->click(); }},
      {"close box", [](FrmMain& m) { m.close(); }},
      {"Exit, then the close box",
       [](FrmMain& m) {
         AppBench::Child<QAbstractButton>(m, "cmdExit")->click();
         m.close();
       }},
      {"Enter on Exit, which has the focus",
       [](FrmMain& m) { QTest::keyClick(m.focusWidget(), Qt::Key_Return); }},
  };
  for (const auto& [name, go] : ways) {
    AppBench bench;
    FrmMain& main = bench.AtDimmingWindow();
    AppBench::Child<QAbstractButton>(main, "CmdSend")->click();  // opens the link
    ASSERT_TRUE(bench.link.MyDeviceDetected) << name;
    go(main);

    EXPECT_EQ(bench.ends, 1) << name;
    EXPECT_EQ(bench.TraceCount("CloseHandle (HIDHandle)"), 1u) << name;
    EXPECT_EQ(bench.TraceCount("CloseHandle (ReadHandle)"), 1u) << name;
    EXPECT_EQ(bench.link.HIDHandle, hidlink::kNoHandle) << name;
  }
}

}  // namespace
}  // namespace ql::app::testing
