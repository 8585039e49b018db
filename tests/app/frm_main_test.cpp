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

// The board took `level` once, or nothing at all.
void ExpectSent(const AppBench& bench, std::optional<int> level, const std::string& what) {
  EXPECT_EQ(bench.firmware.ReceivedCount(), level ? 1u : 0u) << what;
  EXPECT_EQ(bench.firmware.DimmingLevel(), level) << what;
}

// "Send" takes the list's text as it stands, in the operator's locale; a
// refused one leaves a message, nothing sent and the slider where it was.
TEST(DimmingWindow, TypedLevelIsSentOrRefused) {
  const std::tuple<const char*, std::optional<int>, const char*> cases[] = {
      {" 12 ", 12, "en_US"}, {"abc", {}, "en_US"}, {"17,5", 18, "de_DE"}};
  for (const auto& [text, sent, locale] : cases) {
    QLocale::setDefault(QLocale(locale));
    AppBench bench;
    bench.AtDimmingWindow();
    bench.List()->setEditText(text);
    EXPECT_EQ(bench.firmware.ReceivedCount(), 0u) << "typing alone sends nothing";
    Click(bench.program.Main(), "CmdSend");

    ExpectSent(bench, sent, text);
    EXPECT_EQ(bench.Slider()->value(), sent.value_or(16)) << text;
    EXPECT_EQ(bench.List()->currentText(), text) << "the field keeps its text";
    EXPECT_EQ(bench.messages.shown,
              sent ? std::vector<std::string>{} : std::vector{std::string(kBadLevelMessage)})
        << text;
  }
  QLocale::setDefault(QLocale::c());
}

// Every release of a mouse button pressed on the slider sends the slider's
// level once, and the list then shows it over whatever was typed; the
// keyboard only moves the slider.
TEST(DimmingWindow, SliderSendsOnEveryMouseReleaseAndNeverFromTheKeyboard) {
  const auto drag = [](QSlider* s) {
    const QRect handle = SliderPart(s, QStyle::SC_SliderHandle);
    const QPoint from = handle.center(),
                 to = from + QPoint(9 * (s->width() - handle.width()) / 31, 0);
    QTest::mousePress(s, Qt::LeftButton, {}, from);
    QTest::mouseMove(s, to);
    QTest::mouseRelease(s, Qt::LeftButton, {}, to);
  };
  const auto trackClick = [](QSlider* s) {
    const QRect groove = SliderPart(s, QStyle::SC_SliderGroove);
    QTest::mouseClick(s, Qt::LeftButton, {}, QPoint(groove.right() - 4, groove.center().y()));
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
  const auto rightClick = [](QSlider* s) {
    QTest::mouseClick(s, Qt::RightButton, {}, SliderPart(s, QStyle::SC_SliderHandle).center());
  };
  // Name, gesture, the slider's level after it, and whether that level went out.
  const std::tuple<const char*, std::function<void(QSlider*)>, int, bool> cases[] = {
      {"drag the handle", drag, 25, true},
      {"left click on the track right of the handle", trackClick, 21, true},
      {"right click", rightClick, 16, true},
      {"arrow and page keys", keys, 23, false},
      {"Enter in the list's field", enterInTheList, 16, false},
  };
  for (const auto& [name, gesture, slider, sends] : cases) {
    AppBench bench;
    bench.AtDimmingWindow();
    bench.List()->setEditText("typed");
    gesture(bench.Slider());

    ExpectSent(bench, sends ? std::optional(slider) : std::nullopt, name);
    EXPECT_EQ(bench.Slider()->value(), slider) << name;
    EXPECT_EQ(bench.List()->currentText(), sends ? QString::number(slider) : "typed") << name;
  }
}

// A send that fails still moves the other control.
TEST(DimmingWindow, WithoutABoardEachSendSaysSoAndTheControlsStillFollow) {
  AppBench bench(hidlink::sim::Scenario::kAbsent);
  FrmMain& main = bench.AtDimmingWindow();
  bench.List()->setCurrentIndex(7);
  Click(main, "CmdSend");
  EXPECT_EQ(bench.messages.shown, std::vector{std::string(board::kLinkFailedMessage)});
  EXPECT_EQ(bench.Slider()->value(), 7);
  bench.Slider()->setValue(20);
  QTest::mouseClick(bench.Slider(), Qt::RightButton);
  EXPECT_EQ(bench.messages.shown.size(), 2u);
  EXPECT_EQ(bench.List()->currentText(), "20");
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
