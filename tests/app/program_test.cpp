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

// Shows and hides of the program's windows, in order ("+frmMain", "-frmMain").
class WindowEvents final : public QObject {
 public:
  WindowEvents() { qApp->installEventFilter(this); }
  ~WindowEvents() override { qApp->removeEventFilter(this); }
  bool eventFilter(QObject* watched, QEvent* event) override {
    const auto* widget = qobject_cast<QWidget*>(watched);
    if (widget && widget->isWindow() &&
        (event->type() == QEvent::Show || event->type() == QEvent::Hide))
      seen.push_back((event->type() == QEvent::Show ? "+" : "-") +
                     widget->objectName().toStdString());
    return false;
  }
  std::vector<std::string> seen;
};

TEST(StartUp, TheDimmingWindowIsReadyAndHiddenBeforeTheSplashWindowShows) {
  AppBench bench;
  WindowEvents events;
  bench.program.Start();
  EXPECT_THAT(events.seen, ElementsAre("+frmMain", "-frmMain", "+frmSplash"));
  EXPECT_EQ(bench.List()->count(), 32);
  EXPECT_EQ(bench.List()->currentText(), "16");
  QTest::qWait(50);  // nothing left for later
  EXPECT_THAT(Windows(), ElementsAre("frmSplash"));
  EXPECT_THAT(events.seen, ElementsAre("+frmMain", "-frmMain", "+frmSplash"));
}

TEST(StartUp, OnlyTheSplashWindowIsUpWithTheVersionAndLogo) {
  AppBench bench;
  bench.program.Start();
  FrmSplash& splash = bench.program.Splash();
  EXPECT_THAT(Windows(), ElementsAre("frmSplash"));
  EXPECT_EQ(std::ranges::count(Windows(true), "frmMain"), 1);
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

// The window opens on "&Exit": Enter there ends the program, and only there.
TEST(Exit, EnterEndsTheProgramOnlyWithTheFocusOnExit) {
  const std::pair<const char*, int> focuses[] = {
      {"", 1},  // as the window opened
      {"cmdExit", 1}, {"comboLvl", 0}, {"CmdSend", 0}, {"sldLvl", 0},
  };
  for (const auto& [name, ends] : focuses) {
    AppBench bench;
    FrmMain& main = bench.AtDimmingWindow();
    EXPECT_EQ(main.focusWidget(), Child(main, "cmdExit")) << name;
    if (*name) Child(main, name)->setFocus();
    QTest::keyClick(main.focusWidget(), Qt::Key_Return);
    EXPECT_EQ(bench.ends, ends) << name;
    EXPECT_TRUE(ends == 0 || bench.ShutDownOnce()) << name;
  }
}

}  // namespace
}  // namespace ql::app::testing
