// The diagnostic window: the HID test run from "Once", its wait, and the
// trace list at a million lines. How each read outcome is traced is left to
// the tests of the logic below the window.

#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QKeySequence>
#include <QPlainTextEdit>
#include <QProcess>
#include <QScrollBar>
#include <QTimer>
#include <QWheelEvent>
#include <chrono>
#include <optional>
#include <semaphore>

#include "app/trace_view.h"
#include "app_bench.h"
#include "hidlink/emulated_platform.h"
#include "tests/support/fake_devices.h"

namespace ql::app::testing {
namespace {

QComboBox* Byte(FrmUsb& usb, int n) {
  return Child<QComboBox>(usb, n == 0 ? "cboByte0" : "cboByte1");
}
QString Received(FrmUsb& usb) {
  return Child<QPlainTextEdit>(usb, "txtBytesReceived")->toPlainText();
}
const QString kAnswer = "03\n00\n55\n56\n57\n58\n59\n55\n";

// Without a board nothing is shown and nothing steps. The first run on it
// sends report ID 0, which the board refuses: its zero buffer is shown and
// the second byte has stepped from 80 to 00. With report ID 1 the board
// answers each run, and the second byte cycles while auto-increment is on.
TEST(FrmUsb, FirstTestSendsTheDefaultsAndAutoIncrementCycles) {
  AppBench bench;
  bench.pc.Unplug();
  bench.AtDimmingWindow();
  FrmUsb& usb = bench.program.Usb();
  Click(usb, "cmdOnce");
  EXPECT_EQ(Received(usb), "");
  EXPECT_EQ(Byte(usb, 1)->currentText(), "80");

  bench.pc.Replug();
  Click(usb, "cmdOnce");
  EXPECT_EQ(Byte(usb, 1)->currentText(), "00");
  EXPECT_EQ(Received(usb), QString("00\n").repeated(8));

  Byte(usb, 0)->setCurrentIndex(1);
  QStringList shown;
  for (int run = 0; run < 11; ++run) {
    Click(usb, "cmdOnce");
    shown << Byte(usb, 1)->currentText();
    EXPECT_EQ(bench.firmware.LastReceived()->at(1), Byte(usb, 1)->currentIndex());
  }
  EXPECT_EQ(shown.join(' '), "0A 14 1E 28 32 3C 46 50 5A 64 00");
  EXPECT_EQ(Received(usb), kAnswer);
  // Off, the byte goes out as it stands.
  Child<QCheckBox>(usb, "chkAutoincrement")->setChecked(false);
  Byte(usb, 1)->setCurrentIndex(0x5F);
  Click(usb, "cmdOnce");
  EXPECT_EQ(Byte(usb, 1)->currentText(), "5F");
  EXPECT_EQ(bench.firmware.LastReceived()->at(1), 0x5F);
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
  hidlink::DiagnosticList& list = bench.list;
  for (std::size_t i = list.size(); i < 1'000'000; ++i)
    list.Append(i % 2 ? " Report Data:" : " 00");
  Byte(usb, 0)->setCurrentIndex(1);
  Click(usb, "cmdOnce");
  QApplication::processEvents();

  auto* view = Child<TraceView>(usb, "lstResults");
  const int rows = static_cast<int>(list.size()), bottom = view->viewport()->height() - 1;
  const auto at = [&](const std::string& what, int row) {
    EXPECT_EQ(view->CurrentRow(), row) << what;
    EXPECT_LE(view->RowAt(0), row) << what << ": in sight";
    EXPECT_GE(view->RowAt(bottom), row) << what << ": in sight";
  };
  at("selected by the link", rows - 1);
  const int page = view->verticalScrollBar()->pageStep();
  using enum Qt::Key;
  const std::pair<Qt::Key, int> keys[] = {
      {Key_Up, rows - 2}, {Key_PageUp, rows - 2 - page}, {Key_Home, 0},     {Key_Up, 0},
      {Key_Down, 1},      {Key_End, rows - 1},           {Key_Up, rows - 2}};
  for (const auto& [key, row] : keys) {
    QTest::keyClick(view, key);
    at(QKeySequence(key).toString().toStdString(), row);
  }
  QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text().toStdString(), list[list.size() - 2]);

  const int top = view->verticalScrollBar()->value();
  QWheelEvent wheel({5, 5}, view->viewport()->mapToGlobal(QPointF(5, 5)), {}, {0, 120},
                    Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(view->viewport(), &wheel);
  EXPECT_EQ(view->verticalScrollBar()->value(), top - QApplication::wheelScrollLines());
  const int first = view->RowAt(5);
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, {5, 5});
  at("a click on the first row in sight", first);
  usb.hide();
}

// The search's device paths are wider than the list: a horizontal scroll bar
// reaches the end of the widest line, the list keeps its place in the window,
// and a larger font is measured again.
TEST(FrmUsb, TraceListScrollsAcrossToTheEndOfItsWidestLine) {
  AppBench bench;
  bench.AtDimmingWindow();
  FrmUsb& usb = bench.program.Usb();
  usb.show();
  auto* view = Child<TraceView>(usb, "lstResults");
  const QRect placed = view->geometry();
  QScrollBar* across = view->horizontalScrollBar();
  const auto widest = [&] {
    int width = 0;
    for (const std::string& line : bench.list.Lines())
      width = std::max(width, view->fontMetrics().horizontalAdvance(QString::fromStdString(line)));
    return width;
  };
  QApplication::processEvents();
  EXPECT_EQ(across->maximum(), 0) << "no line wider than the list yet";

  bench.List()->setCurrentIndex(12);
  Click(bench.program.Main(), "CmdSend");
  // Qt shows a scroll bar from the event loop, once its range has grown.
  EXPECT_TRUE(QTest::qWaitFor([&] { return across->isVisible(); }, 2000));
  ASSERT_GT(widest(), view->viewport()->width());
  // The text starts 3 pixels in and may end 3 pixels before the edge.
  EXPECT_EQ(across->maximum() + view->viewport()->width(), widest() + 6);
  EXPECT_EQ(view->geometry(), placed);

  const int before = across->maximum();
  QFont larger = view->font();
  larger.setPointSizeF(larger.pointSizeF() * 1.5);
  view->setFont(larger);
  EXPECT_GT(across->maximum(), before);
  EXPECT_EQ(across->maximum() + view->viewport()->width(), widest() + 6);
  usb.hide();
}

// The test's wait (up to six seconds) leaves the window painting under a
// busy cursor, and the answer is read as before. On a real X server (run
// under xvfb-run with xdotool) a click that comes during the wait is taken
// only once the wait is over.
TEST(FrmUsbX11, WaitForTheAnswerKeepsPaintingAndTakesAClickAfterIt) {
  const bool x11 = QGuiApplication::platformName() == "xcb";
  // A board whose answer comes only when the test lets it, or after two seconds.
  std::binary_semaphore release{0};
  bool released = false;
  auto devices = std::make_unique<ql::testing::FakeDevices>();
  const auto& descriptor = board::kBoardReportDescriptor;
  hidlink::DeviceInfo boardInfo;
  boardInfo.path = "/dev/board";
  boardInfo.vendor = board::BoardVendorID;
  boardInfo.product = board::BoardProductID;
  boardInfo.descriptor.assign(descriptor.begin(), descriptor.end());
  devices->devices.push_back(std::move(boardInfo));
  devices->beforeWait = [&, d = devices.get()] {
    released = release.try_acquire_for(std::chrono::seconds(2));
    d->input.push_back(d->written.back());
    d->input.back()[0] = 3;
  };
  hidlink::Link link(std::make_unique<hidlink::EmulatedPlatform>(std::move(devices)),
                     board::kBoardIdentity);
  hidlink::DiagnosticList trace;
  link.SetTrace(&trace);
  FrmUsb usb(link, trace);
  usb.Load();
  ASSERT_TRUE(!x11 || QTest::qWaitForWindowExposed(&usb));
  Byte(usb, 0)->setCurrentIndex(1);
  QApplication::processEvents();
  struct PaintCount final : QObject {
    bool eventFilter(QObject*, QEvent* e) override {
      return (paints += e->type() == QEvent::Paint, false);
    }
    int paints = 0;
  } painted;
  usb.installEventFilter(&painted);
  auto* check = Child<QCheckBox>(usb, "chkAutoincrement");
  const QPoint at = check->mapToGlobal(QPoint(8, check->height() / 2));
  int paintsInWait = 0;
  bool takenInWait = false;
  std::optional<Qt::CursorShape> cursorInWait;
  // No event loop runs between here and the wait: these fire inside it.
  QTimer::singleShot(30, [&] {
    if (const QCursor* c = QApplication::overrideCursor()) cursorInWait = c->shape();
    usb.update();
    if (x11)
      QProcess::execute(
          "xdotool", {"mousemove", QString::number(at.x()), QString::number(at.y()), "click", "1"});
    QTimer::singleShot(x11 ? 300 : 30, [&] {
      paintsInWait = painted.paints;
      takenInWait = !check->isChecked();
      release.release();
    });
  });
  Click(usb, "cmdOnce");

  EXPECT_TRUE(released) << "the wait was over before anything ran";
  EXPECT_GT(paintsInWait, 0);
  EXPECT_EQ(cursorInWait, Qt::WaitCursor);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(Received(usb), kAnswer);
  EXPECT_FALSE(takenInWait);
  EXPECT_TRUE(!x11 || QTest::qWaitFor([&] { return !check->isChecked(); }, 2000))
      << "taken after it";
}

}  // namespace
}  // namespace ql::app::testing
