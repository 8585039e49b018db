// The diagnostic window: the HID test run from "Once", its wait, and the
// trace list at a million lines. How each read outcome is traced is left to the tests of
// the logic below the window.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QProcess>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <chrono>
#include <functional>
#include <optional>
#include <semaphore>
#include <tuple>

#include "app/trace_view.h"
#include "app_bench.h"
#include "hidlink/emulated_platform.h"
#include "tests/support/fake_devices.h"

namespace ql::app::testing {
namespace {

using ::testing::ElementsAre;

QComboBox* Byte(FrmUsb& usb, int n) {
  return Child<QComboBox>(usb, n == 0 ? "cboByte0" : "cboByte1");
}
QString Received(FrmUsb& usb) {
  return Child<QPlainTextEdit>(usb, "txtBytesReceived")->toPlainText();
}

TEST(FrmUsb, FirstTestSendsTheDefaultsAndAutoIncrementCycles) {
  AppBench bench;
  bench.AtDimmingWindow();
  FrmUsb& usb = bench.program.Usb();

  Click(usb, "cmdOnce");
  EXPECT_EQ(Byte(usb, 1)->currentText(), "00");
  EXPECT_FALSE(bench.link.List()[2].empty()) << "the run's date line";
  // The board takes report ID 1 only: the read times out and the trace of the
  // write is the one witness of what went out.
  const auto lines = bench.link.List().Lines();
  const auto written = std::find(lines.begin(), lines.end(), " NumberOfBytesWritten = 0");
  ASSERT_NE(written, lines.end());
  EXPECT_THAT(std::vector(written + 1, written + 10),
              ElementsAre(" Report ID: 0", " Report Data:", " 0", " 55", " 56", " 57", " 58", " 59",
                          " 55"));
  EXPECT_EQ(bench.TraceCount("************ReadFile timeout*************"), 1u);
  EXPECT_EQ(Received(usb), QString("00\n").repeated(8));

  // With report ID 1 the board, searched for afresh, answers each run.
  Byte(usb, 0)->setCurrentIndex(1);
  std::vector<std::string> shown;
  for (int run = 0; run < 11; ++run) {
    Click(usb, "cmdOnce");
    shown.push_back(Byte(usb, 1)->currentText().toStdString());
    EXPECT_EQ(bench.firmware.LastReceived()->at(1), Byte(usb, 1)->currentIndex());
  }
  EXPECT_THAT(shown, ElementsAre("0A", "14", "1E", "28", "32", "3C", "46", "50", "5A", "64", "00"));
  EXPECT_EQ(Received(usb), "03\n00\n55\n56\n57\n58\n59\n55\n");
}

TEST(FrmUsb, NoBoardNoStepAndNoMessage) {
  AppBench bench(hidlink::sim::Scenario::kNone);
  bench.AtDimmingWindow();
  FrmUsb& usb = bench.program.Usb();
  Click(usb, "cmdOnce");
  EXPECT_EQ(Received(usb), "");
  EXPECT_EQ(Byte(usb, 1)->currentText(), "80");
  EXPECT_TRUE(bench.messages.shown.empty());
}

// A million lines, as a long session leaves them: the link's selection
// scrolls the last line into sight, and the operator can still move about and
// copy a line. (What appending costs at that length is measured by
// bench/diagnostic_view_bench.cpp.)
TEST(FrmUsb, TraceListFollowsTheLinkAndTheOperatorAtAMillionLines) {
  AppBench bench;
  bench.AtDimmingWindow();
  FrmUsb& usb = bench.program.Usb();
  usb.show();
  hidlink::DiagnosticList& list = bench.link.List();
  for (std::size_t i = list.size(); i < 1'000'000; ++i)
    list.Append(i % 2 ? " Report Data:" : " 00");
  Byte(usb, 0)->setCurrentIndex(1);
  Click(usb, "cmdOnce");
  QApplication::processEvents();

  auto* view = Child<TraceView>(usb, "lstResults");
  const int rows = static_cast<int>(list.size());
  const int bottom = view->viewport()->height() - 1;
  EXPECT_EQ(view->Rows(), rows);
  EXPECT_EQ(view->CurrentRow(), rows - 1);
  EXPECT_EQ(view->RowAt(bottom), rows - 1);

  const int page = view->verticalScrollBar()->pageStep();
  const auto key = [view](Qt::Key k) { return [view, k] { QTest::keyClick(view, k); }; };
  const std::vector<std::tuple<const char*, std::function<void()>, int>> steps = {
      {"Up", key(Qt::Key_Up), rows - 2},
      {"Page Up", key(Qt::Key_PageUp), rows - 2 - page},
      {"Home", key(Qt::Key_Home), 0},
      {"Up at the top", key(Qt::Key_Up), 0},
      {"Down", key(Qt::Key_Down), 1},
      {"click on the third row",
       [view] {
         int y = 0;
         while (view->RowAt(y) < 2) ++y;
         QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, {5, y});
       },
       2},
      {"End", key(Qt::Key_End), rows - 1},
  };
  for (const auto& [name, act, row] : steps) {
    act();
    EXPECT_EQ(view->CurrentRow(), row) << name;
    EXPECT_LE(view->RowAt(0), row) << name << ": in sight";
    EXPECT_GE(view->RowAt(bottom), row) << name << ": in sight";
  }

  QTest::keyClick(view, Qt::Key_Up);
  QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text().toStdString(),
            list[static_cast<std::size_t>(rows - 2)]);

  const int top = view->verticalScrollBar()->value();
  QWheelEvent wheel({5, 5}, view->viewport()->mapToGlobal(QPointF(5, 5)), {}, {0, 120},
                    Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(view->viewport(), &wheel);
  EXPECT_EQ(view->verticalScrollBar()->value(), top - QApplication::wheelScrollLines());
  usb.hide();
}

// A board whose answer comes only when the test lets it, or after two seconds.
struct HeldAnswer {
  HeldAnswer() {
    auto owned = std::make_unique<ql::testing::FakeDevices>();
    devices = owned.get();
    devices->devices.push_back(
        {"/dev/board",
         board::BoardVendorID,
         board::BoardProductID,
         0,
         {board::kBoardReportDescriptor.begin(), board::kBoardReportDescriptor.end()}});
    devices->beforeWait = [this] {
      released = release.try_acquire_for(std::chrono::seconds(2));
      if (devices->written.empty()) return;  // the board refused the test report
      auto answer = devices->written.back();
      answer[0] = 3;
      devices->input.push_back(answer);
    };
    link = std::make_unique<hidlink::Link>(
        std::make_unique<hidlink::EmulatedPlatform>(std::move(owned)), board::kBoardIdentity);
  }
  ql::testing::FakeDevices* devices;
  std::unique_ptr<hidlink::Link> link;
  std::binary_semaphore release{0};
  bool released = false;
};

// The test's wait (up to six seconds) leaves the window painting and the
// timers running under a busy cursor, and the answer is read as before.
TEST(FrmUsb, WaitForTheAnswerKeepsTheWindowPainting) {
  auto held = std::make_unique<HeldAnswer>();
  HeldAnswer* board = held.get();
  FrmUsb usb(*board->link);
  usb.Load();
  Byte(usb, 0)->setCurrentIndex(1);
  QApplication::processEvents();

  struct PaintCount final : QObject {
    bool eventFilter(QObject*, QEvent* e) override {
      return (paints += e->type() == QEvent::Paint, false);
    }
    int paints = 0;
  } painted;
  usb.installEventFilter(&painted);
  int ticks = 0;
  QTimer ticker;
  QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
  ticker.start(1);
  int ticksInWait = 0, paintsInWait = 0;
  std::optional<Qt::CursorShape> cursorInWait;
  // No event loop runs between here and the wait: these fire inside it.
  QTimer::singleShot(30, [&] {
    ticksInWait = ticks;
    if (const QCursor* c = QApplication::overrideCursor()) cursorInWait = c->shape();
    usb.update();
    QTimer::singleShot(30, [&] {
      paintsInWait = painted.paints;
      board->release.release();
    });
  });
  Click(usb, "cmdOnce");

  EXPECT_TRUE(board->released) << "the wait was over before anything ran";
  EXPECT_GT(ticksInWait, 0);
  EXPECT_GT(paintsInWait, 0);
  EXPECT_EQ(cursorInWait, Qt::WaitCursor);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(Received(usb), "03\n00\n55\n56\n57\n58\n59\n55\n");
}

// On a real X server (run under xvfb-run with xdotool): a click that comes
// during the wait is taken only once the wait is over.
TEST(FrmUsbX11, ClickDuringTheWaitIsTakenAfterIt) {
  if (QGuiApplication::platformName() != "xcb") GTEST_SKIP() << "needs an X server";
  auto held = std::make_unique<HeldAnswer>();
  HeldAnswer* board = held.get();
  FrmUsb usb(*board->link);
  usb.Load();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&usb));
  auto* check = Child<QCheckBox>(usb, "chkAutoincrement");
  const QPoint at = check->mapToGlobal(QPoint(8, check->height() / 2));
  bool takenInWait = true;
  QTimer::singleShot(0, [&] {
    QProcess::execute(
        "xdotool", {"mousemove", QString::number(at.x()), QString::number(at.y()), "click", "1"});
    QTimer::singleShot(300, [&] {
      takenInWait = !check->isChecked();
      board->release.release();
    });
  });
  Click(usb, "cmdOnce");
  EXPECT_FALSE(takenInWait);
  EXPECT_TRUE(QTest::qWaitFor([&] { return !check->isChecked(); }, 2000)) << "taken after it";
}

}  // namespace
}  // namespace ql::app::testing
