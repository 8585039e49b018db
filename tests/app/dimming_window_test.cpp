// The dimming window's two ways to send, on the simulated board.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMouseEvent>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <functional>

#include "app_bench.h"

namespace ql::app::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

QComboBox* List(FrmMain& main) {
  return AppBench::Child<QComboBox>(main, "comboLvl");
}
QSlider* Slider(FrmMain& main) {
  return AppBench::Child<QSlider>(main, "sldLvl");
}
void Send(FrmMain& main) {
  AppBench::Child<QAbstractButton>(main, "CmdSend")->click();
}

QRect SliderPart(QSlider* slider, QStyle::SubControl part) {
  QStyleOptionSlider opt;
  opt.initFrom(slider);
  opt.orientation = slider->orientation();
  opt.minimum = slider->minimum();
  opt.maximum = slider->maximum();
  opt.sliderPosition = slider->sliderPosition();
  opt.sliderValue = slider->value();
  opt.singleStep = slider->singleStep();
  opt.pageStep = slider->pageStep();
  opt.tickPosition = slider->tickPosition();
  opt.tickInterval = slider->tickInterval();
  opt.subControls = QStyle::SC_All;
  return slider->style()->subControlRect(QStyle::CC_Slider, &opt, part, slider);
}
QRect HandleRect(QSlider* slider) {
  return SliderPart(slider, QStyle::SC_SliderHandle);
}

// Mouse events straight to the slider, with the buttons held during a move.
void Mouse(QSlider* slider, QEvent::Type type, QPoint at, Qt::MouseButton button,
           Qt::MouseButtons held) {
  QMouseEvent event(type, QPointF(at), QPointF(slider->mapToGlobal(at)), button, held,
                    Qt::NoModifier);
  QApplication::sendEvent(slider, &event);
}

TEST(DimmingWindow, SendFromTheListMovesTheSlider) {
  AppBench bench;
  FrmMain& main = bench.AtDimmingWindow();
  List(main)->setCurrentIndex(7);
  EXPECT_THAT(bench.LevelsSent(), IsEmpty()) << "choosing alone sends nothing";
  EXPECT_EQ(Slider(main)->value(), 16);

  Send(main);
  EXPECT_THAT(bench.LevelsSent(), ElementsAre(7));
  EXPECT_EQ(bench.sim->Board().ReceivedReports().back(),
            (std::vector<std::uint8_t>{0x01, 0x01, 0x1C, 0, 0, 0, 0, 0}));
  EXPECT_EQ(Slider(main)->value(), 7);
  EXPECT_THAT(bench.messages.shown, IsEmpty());
}

TEST(DimmingWindow, TypedTextIsConvertedOrRefused) {
  struct Case {
    const char* typed;
    QLocale locale;
    std::vector<int> sent;
    int slider;
    bool refused;
  };
  const QLocale english(QLocale::English, QLocale::UnitedStates);
  const QLocale german(QLocale::German, QLocale::Germany);
  const std::vector<Case> cases = {
      {" 12 ", english, {12}, 12, false}, {"16.5", english, {16}, 16, false},
      {"17.5", english, {18}, 18, false}, {"16.4", english, {16}, 16, false},
      {"17,5", german, {18}, 18, false},  {"abc", english, {}, 16, true},
      {"40", english, {}, 16, true},      {"", english, {}, 16, true},
      {"17.5", german, {}, 16, true},
  };
  for (const Case& c : cases) {
    QLocale::setDefault(c.locale);
    AppBench bench;
    FrmMain& main = bench.AtDimmingWindow();
    List(main)->setEditText(c.typed);
    Send(main);

    EXPECT_EQ(bench.LevelsSent(), c.sent) << c.typed;
    EXPECT_EQ(Slider(main)->value(), c.slider) << c.typed;
    EXPECT_EQ(List(main)->currentText(), c.typed) << "the field keeps its text";
    EXPECT_EQ(bench.messages.shown, c.refused
                                        ? std::vector<std::string>{std::string(kBadLevelMessage)}
                                        : std::vector<std::string>{})
        << c.typed;
  }
  QLocale::setDefault(QLocale::c());
}

// Every release of a mouse button pressed on the slider sends the slider's
// level once; the keyboard only moves it.
TEST(DimmingWindow, SliderSendsOnEveryMouseReleaseAndNeverFromTheKeyboard) {
  struct Case {
    const char* name;
    std::function<void(QSlider*)> gesture;
    std::vector<int> sent;
    int slider;
  };
  const std::vector<Case> cases = {
      {"drag the handle to 25",
       [](QSlider* s) {
         const QPoint from = HandleRect(s).center();
         Mouse(s, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
         const int step = (s->width() - HandleRect(s).width()) / 31;
         for (int i = 1; i <= 9; ++i)
           Mouse(s, QEvent::MouseMove, from + QPoint(i * step, 0), Qt::NoButton, Qt::LeftButton);
         ASSERT_EQ(s->value(), 25);
         Mouse(s, QEvent::MouseButtonRelease, from + QPoint(9 * step, 0), Qt::LeftButton,
               Qt::NoButton);
       },
       {25},
       25},
      {"left click on the track right of the handle",
       [](QSlider* s) {
         const QRect groove = SliderPart(s, QStyle::SC_SliderGroove);
         const QPoint at(groove.right() - 4, groove.center().y());
         Mouse(s, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
         Mouse(s, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
       },
       {21},
       21},
      {"right click on the handle",
       [](QSlider* s) {
         const QPoint at = HandleRect(s).center();
         Mouse(s, QEvent::MouseButtonPress, at, Qt::RightButton, Qt::RightButton);
         Mouse(s, QEvent::MouseButtonRelease, at, Qt::RightButton, Qt::NoButton);
       },
       {16},
       16},
      {"arrow and page keys",
       [](QSlider* s) {
         QTest::keyClick(s, Qt::Key_Right);
         QTest::keyClick(s, Qt::Key_PageUp);
         QTest::keyClick(s, Qt::Key_Right);
       },
       {},
       23},
      {"Enter in the list's field",
       [](QSlider* s) {
         auto* list = s->window()->findChild<QComboBox*>("comboLvl");
         QTest::keyClick(list->lineEdit(), Qt::Key_Return);
         EXPECT_EQ(list->count(), 32) << "a typed text never becomes an entry";
       },
       {},
       16},
  };
  for (const Case& c : cases) {
    AppBench bench;
    FrmMain& main = bench.AtDimmingWindow();
    List(main)->setEditText("typed");
    c.gesture(Slider(main));

    EXPECT_EQ(bench.LevelsSent(), c.sent) << c.name;
    EXPECT_EQ(Slider(main)->value(), c.slider) << c.name;
    // After a send the list shows the level sent, over whatever was typed.
    EXPECT_EQ(List(main)->currentText(),
              c.sent.empty() ? QString("typed") : QString::number(c.sent.back()))
        << c.name;
    if (!c.sent.empty()) {
      EXPECT_EQ(List(main)->currentIndex(), c.sent.back()) << c.name;
    }
  }
}

TEST(DimmingWindow, BoardAbsentOneMessagePerSendAndTheOtherControlFollows) {
  AppBench bench(hidlink::sim::Scenario::kAbsent);
  FrmMain& main = bench.AtDimmingWindow();
  List(main)->setCurrentIndex(7);
  Send(main);
  EXPECT_EQ(bench.messages.shown, std::vector<std::string>{std::string(board::kLinkFailedMessage)});
  EXPECT_EQ(Slider(main)->value(), 7);

  Slider(main)->setValue(20);
  const QPoint at = HandleRect(Slider(main)).center();
  Mouse(Slider(main), QEvent::MouseButtonPress, at, Qt::RightButton, Qt::RightButton);
  Mouse(Slider(main), QEvent::MouseButtonRelease, at, Qt::RightButton, Qt::NoButton);
  EXPECT_EQ(bench.messages.shown.size(), 2u);
  EXPECT_EQ(List(main)->currentText(), "20");
  EXPECT_THAT(bench.LevelsSent(), IsEmpty());
}

TEST(DimmingWindow, UnplugAndReplug) {
  AppBench bench;
  FrmMain& main = bench.AtDimmingWindow();
  const auto sendLevel = [&](int level) {
    List(main)->setCurrentIndex(level);
    Send(main);
  };
  sendLevel(5);
  bench.sim->Unplug();
  sendLevel(6);  // the write fails on the open link
  sendLevel(7);  // the search finds no board
  EXPECT_EQ(bench.messages.shown.size(), 2u);
  EXPECT_EQ(Slider(main)->value(), 7);
  bench.sim->Replug();
  sendLevel(8);
  EXPECT_THAT(bench.LevelsSent(), ElementsAre(5, 8));
  EXPECT_EQ(bench.sim->Board().DimmingLevel(), 8);
  EXPECT_EQ(bench.messages.shown.size(), 2u);
}

TEST(DimmingWindow, ControlsTextsAndTabOrder) {
  AppBench bench;
  FrmMain& main = bench.AtDimmingWindow();
  EXPECT_EQ(main.size(), QSize(450, 448));
  const auto lines =
      AppBench::Child<QWidget>(main, "Text1")->property("plainText").toString().split('\n');
  EXPECT_THAT(lines, ElementsAre("To change the dimming level, you can", "",
                                 "a) Either select a dimming level and click the ",
                                 "\"Send\" button", "b) Or just drap the slide bar", ""));
  EXPECT_EQ(AppBench::Child<QLabel>(main, "Label2")->text(),
            QString("0") + QString(72, ' ') + "31");
  EXPECT_EQ(AppBench::Child<QLabel>(main, "Label1")->text(), "Dimming Control");
  EXPECT_EQ(AppBench::Child<QAbstractButton>(main, "cmdExit")->text(), "&Exit");
  EXPECT_EQ(List(main)->count(), 32);
  EXPECT_EQ(Slider(main)->pageStep(), 5);

  std::vector<std::string> order;
  QWidget* const first = AppBench::Child<QWidget>(main, "cmdExit");
  QWidget* w = first;
  do {
    if ((w->focusPolicy() & Qt::TabFocus) && !w->objectName().isEmpty())
      order.push_back(w->objectName().toStdString());
    w = w->nextInFocusChain();
  } while (w != first && order.size() < 10);
  EXPECT_THAT(order, ElementsAre("cmdExit", "comboLvl", "CmdSend", "sldLvl"));
  EXPECT_EQ(main.focusWidget()->objectName(), "cmdExit");
}

}  // namespace
}  // namespace ql::app::testing
