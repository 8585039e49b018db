// The dimming window's two ways to send, on the simulated board.

#include <QLineEdit>
#include <QLocale>
#include <QStyle>
#include <QStyleOptionSlider>

#include "app_bench.h"

namespace ql::app::testing {
namespace {

// Where the style draws a part of the slider, as the slider itself asks.
QRect SliderPart(QSlider* slider, QStyle::SubControl part) {
  struct Peek : QSlider {
    static auto Init() { return &Peek::initStyleOption; }
  };
  QStyleOptionSlider opt;
  (slider->*Peek::Init())(&opt);
  return slider->style()->subControlRect(QStyle::CC_Slider, &opt, part, slider);
}

// "Send" takes the list's text as it stands, in the operator's locale; the
// slider sends on every release of a mouse button pressed on it, and the list
// then shows its level over what was typed; a failed send still moves the
// other control; the keyboard only moves the slider.
TEST(DimmingWindow, EachWayToSend) {
  const auto send = [](const char* text, const char* locale = "en_US") {
    return [=](AppBench& b) {
      QLocale::setDefault(QLocale(locale));
      b.List()->setEditText(text);
      Click(b.program.Main(), "CmdSend");
    };
  };
  const auto drag = [](AppBench& b) {
    QSlider* s = b.Slider();
    const QRect handle = SliderPart(s, QStyle::SC_SliderHandle);
    const QPoint from = handle.center(),
                 to = from + QPoint(9 * (s->width() - handle.width()) / 31, 0);
    QTest::mousePress(s, Qt::LeftButton, {}, from);
    QTest::mouseMove(s, to);
    QTest::mouseRelease(s, Qt::LeftButton, {}, to);
  };
  const auto trackClick = [](AppBench& b) {
    const QRect groove = SliderPart(b.Slider(), QStyle::SC_SliderGroove);
    QTest::mouseClick(b.Slider(), Qt::LeftButton, {}, {groove.right() - 4, groove.center().y()});
  };
  const auto rightClick = [](AppBench& b) { QTest::mouseClick(b.Slider(), Qt::RightButton); };
  const auto keys = [](AppBench& b) {
    for (const Qt::Key key : {Qt::Key_Right, Qt::Key_PageUp, Qt::Key_Right})
      QTest::keyClick(b.Slider(), key);
  };
  const auto type = [](const char* keys) {
    return [=](AppBench& b) {
      b.List()->lineEdit()->clear();
      QTest::keyClicks(b.List()->lineEdit(), keys);
      Click(b.program.Main(), "CmdSend");
    };
  };
  const auto enterInTheList = [](AppBench& b) {
    QTest::keyClick(b.List()->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(b.List()->count(), 32) << "a typed text never becomes an entry";
  };
  const auto unplugged = [](std::function<void(AppBench&)> act) {
    return [=](AppBench& b) {
      b.pc.Unplug();
      b.Slider()->setValue(20);
      act(b);
    };
  };
  const std::string bad(kBadLevelMessage), failed(board::kLinkFailedMessage);
  // Name, gesture, the slider's level after it, whether that went out, the
  // list's text, the message shown.
  const std::tuple<const char*, std::function<void(AppBench&)>, int, bool, QString, std::string>
      cases[] = {
          {"Send \" 12 \"", send(" 12 "), 12, true, " 12 ", ""},
          {"Send abc", send("abc"), 16, false, "abc", bad},
          {"type 1, then Send", type("1"), 1, true, "1", ""},
          {"type 2, then Send", type("2"), 2, true, "2", ""},
          {"Send 17,5 in German", send("17,5", "de_DE"), 18, true, "17,5", ""},
          {"Send without a board", unplugged(send("7")), 7, false, "7", failed},
          {"drag the handle", drag, 25, true, "25", ""},
          {"left click on the track right of the handle", trackClick, 21, true, "21", ""},
          {"right click", rightClick, 16, true, "16", ""},
          {"right click without a board", unplugged(rightClick), 20, false, "20", failed},
          {"arrow and page keys", keys, 23, false, "typed", ""},
          {"Enter in the list's field", enterInTheList, 16, false, "typed", ""},
      };
  for (const auto& [name, act, slider, sent, list, message] : cases) {
    AppBench bench;
    bench.AtDimmingWindow();
    bench.List()->setEditText("typed");
    act(bench);
    QLocale::setDefault(QLocale::c());

    // Once: typing alone sends nothing, nor does a release twice.
    EXPECT_EQ(bench.firmware.ReceivedCount(), sent ? 1u : 0u) << name;
    EXPECT_EQ(bench.firmware.DimmingLevel(), sent ? std::optional(slider) : std::nullopt) << name;
    EXPECT_EQ(bench.Slider()->value(), slider) << name;
    EXPECT_EQ(bench.List()->currentText(), list) << name;
    EXPECT_EQ(bench.messages.shown,
              message.empty() ? std::vector<std::string>{} : std::vector{message})
        << name;
  }
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
