// The dimming window's two ways to send, on the simulated board.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QLocale>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <functional>
#include <tuple>

#include "app_bench.h"

namespace ql::app::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// Where the style draws a part of the slider, as the slider itself asks.
QRect SliderPart(QSlider* slider, QStyle::SubControl part) {
  struct Peek : QSlider {
    static auto Init() { return &Peek::initStyleOption; }
  };
  QStyleOptionSlider opt;
  (slider->*Peek::Init())(&opt);
  return slider->style()->subControlRect(QStyle::CC_Slider, &opt, part, slider);
}
QPoint Handle(QSlider* slider) {
  return SliderPart(slider, QStyle::SC_SliderHandle).center();
}

// Straight to the slider; `button` stays held from the press to the release.
void Mouse(QSlider* slider, QEvent::Type type, QPoint at, Qt::MouseButton button) {
  QMouseEvent event(type, QPointF(at), QPointF(slider->mapToGlobal(at)),
                    type == QEvent::MouseMove ? Qt::NoButton : button,
                    type == QEvent::MouseButtonRelease ? Qt::NoButton : button, Qt::NoModifier);
  QApplication::sendEvent(slider, &event);
}
void ClickAt(QSlider* slider, QPoint at, Qt::MouseButton button) {
  Mouse(slider, QEvent::MouseButtonPress, at, button);
  Mouse(slider, QEvent::MouseButtonRelease, at, button);
}

// "Send" takes the list's text as it stands; a refused one leaves a message,
// nothing sent and the slider where it was.
TEST(DimmingWindow, TypedLevelIsSentOrRefused) {
  struct Case {
    const char* text;
    std::optional<int> sent;
    const char* locale = "en_US";
  };
  const std::vector<Case> cases = {{" 12 ", 12}, {"16.5", 16}, {"17.5", 18},
                                   {"abc", {}},  {"40", {}},   {"17,5", 18, "de_DE"}};
  for (const Case& c : cases) {
    QLocale::setDefault(QLocale(c.locale));
    AppBench bench;
    bench.AtDimmingWindow();
    bench.List()->setEditText(c.text);
    EXPECT_THAT(bench.LevelsSent(), IsEmpty()) << "typing alone sends nothing";
    Click(bench.program.Main(), "CmdSend");

    EXPECT_EQ(bench.LevelsSent(), c.sent ? std::vector{*c.sent} : std::vector<int>{}) << c.text;
    EXPECT_EQ(bench.Slider()->value(), c.sent.value_or(16)) << c.text;
    EXPECT_EQ(bench.List()->currentText(), c.text) << "the field keeps its text";
    EXPECT_EQ(bench.messages.shown,
              c.sent ? std::vector<std::string>{} : std::vector{std::string(kBadLevelMessage)})
        << c.text;
  }
  QLocale::setDefault(QLocale::c());
}

// Every release of a mouse button pressed on the slider sends the slider's
// level once; the keyboard only moves it.
TEST(DimmingWindow, SliderSendsOnEveryMouseReleaseAndNeverFromTheKeyboard) {
  const auto drag = [](QSlider* s) {
    const int step = (s->width() - SliderPart(s, QStyle::SC_SliderHandle).width()) / 31;
    const QPoint from = Handle(s), to = from + QPoint(9 * step, 0);
    Mouse(s, QEvent::MouseButtonPress, from, Qt::LeftButton);
    for (int i = 1; i <= 9; ++i)
      Mouse(s, QEvent::MouseMove, from + QPoint(i * step, 0), Qt::LeftButton);
    Mouse(s, QEvent::MouseButtonRelease, to, Qt::LeftButton);
  };
  const auto trackClick = [](QSlider* s) {
    const QRect groove = SliderPart(s, QStyle::SC_SliderGroove);
    ClickAt(s, QPoint(groove.right() - 4, groove.center().y()), Qt::LeftButton);
  };
  const auto keys = [](QSlider* s) {
    for (const Qt::Key key : {Qt::Key_Right, Qt::Key_PageUp, Qt::Key_Right})
      QTest::keyClick(s, key);
  };
  const auto enterInTheList = [](QSlider* s) {
    auto* list = s->window()->findChild<QComboBox*>("comboLvl");
    QTest::keyClick(list->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(list->count(), 32) << "a typed text never becomes an entry";
  };
  // Name, gesture, the slider's level after it, and whether that level went out.
  const std::vector<std::tuple<const char*, std::function<void(QSlider*)>, int, bool>> cases = {
      {"drag the handle", drag, 25, true},
      {"left click on the track right of the handle", trackClick, 21, true},
      {"right click", [](QSlider* s) { ClickAt(s, Handle(s), Qt::RightButton); }, 16, true},
      {"arrow and page keys", keys, 23, false},
      {"Enter in the list's field", enterInTheList, 16, false},
  };
  for (const auto& [name, gesture, slider, sends] : cases) {
    AppBench bench;
    bench.AtDimmingWindow();
    bench.List()->setEditText("typed");
    gesture(bench.Slider());

    EXPECT_EQ(bench.LevelsSent(), sends ? std::vector{slider} : std::vector<int>{}) << name;
    EXPECT_EQ(bench.Slider()->value(), slider) << name;
    // After a send the list shows the level sent, over whatever was typed.
    EXPECT_EQ(bench.List()->currentText(), sends ? QString::number(slider) : "typed") << name;
  }
}

// Each send without a board says so once, and the other control still
// follows; the board is found again once it is there.
TEST(DimmingWindow, BoardAbsentUnpluggedAndReplugged) {
  AppBench bench;
  bench.sim->Unplug();
  FrmMain& main = bench.AtDimmingWindow();
  const auto send = [&](int level) {
    bench.List()->setCurrentIndex(level);
    Click(main, "CmdSend");
  };
  send(7);
  EXPECT_THAT(bench.messages.shown, ElementsAre(board::kLinkFailedMessage));
  EXPECT_EQ(bench.Slider()->value(), 7);
  bench.Slider()->setValue(20);
  ClickAt(bench.Slider(), Handle(bench.Slider()), Qt::RightButton);
  EXPECT_EQ(bench.messages.shown.size(), 2u);
  EXPECT_EQ(bench.List()->currentText(), "20");

  bench.sim->Replug();
  send(5);
  bench.sim->Unplug();
  send(6);  // the write fails on the open link, and the new search too
  EXPECT_EQ(bench.messages.shown.size(), 3u);
  bench.sim->Replug();
  send(8);
  EXPECT_THAT(bench.LevelsSent(), ElementsAre(5, 8));
  EXPECT_EQ(bench.Slider()->value(), 8);
  EXPECT_EQ(bench.messages.shown.size(), 3u);
}

TEST(DimmingWindow, CannotBeShrunkOverItsControls) {
  AppBench bench;
  FrmMain& main = bench.AtDimmingWindow();
  main.resize(100, 100);
  for (const char* name : {"Text1", "sldLvl", "cmdExit"})
    EXPECT_TRUE(main.rect().contains(Child(main, name)->geometry())) << name;
}

}  // namespace
}  // namespace ql::app::testing
