// The diagnostic window: its controls, the HID test run from "Once", and the
// trace view at a million lines.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTimer>

#include "app/diagnostic_model.h"
#include "app/logo.h"
#include "app_bench.h"

namespace ql::app::testing {
namespace {

using ::testing::ElementsAre;

QComboBox* Byte(FrmUsb& usb, int n) {
  return AppBench::Child<QComboBox>(usb, n == 0 ? "cboByte0" : "cboByte1");
}
void Once(FrmUsb& usb) {
  AppBench::Child<QAbstractButton>(usb, "cmdOnce")->click();
}
QString Received(FrmUsb& usb) {
  return AppBench::Child<QPlainTextEdit>(usb, "txtBytesReceived")->toPlainText();
}

TEST(DiagnosticWindow, ControlsAfterLoading) {
  AppBench bench;
  bench.AtDimmingWindow();
  FrmUsb& usb = bench.program.Usb();
  EXPECT_EQ(usb.windowTitle(), "FrmUSB");
  EXPECT_EQ(usb.size(), QSize(607, 503));
  EXPECT_EQ(AppBench::Child<QLabel>(usb, "Label1")->text(), "Debug Only!!!!");
  EXPECT_EQ(Byte(usb, 0)->count(), 256);
  EXPECT_EQ(Byte(usb, 1)->itemText(0x0F), "0F");
  EXPECT_EQ(Byte(usb, 1)->itemText(0xFF), "FF");
  EXPECT_EQ(Byte(usb, 0)->currentText(), "00");
  EXPECT_EQ(Byte(usb, 1)->currentText(), "80");
  EXPECT_TRUE(AppBench::Child<QCheckBox>(usb, "chkAutoincrement")->isChecked());
  auto* timer = usb.findChild<QTimer*>("tmrContinuousDataCollect");
  ASSERT_NE(timer, nullptr);
  EXPECT_FALSE(timer->isActive());
  EXPECT_EQ(timer->interval(), 10);
}

TEST(DiagnosticWindow, LogoIsA136By31GifInBothWindows) {
  AppBench bench;
  bench.program.Start();
  EXPECT_EQ(Logo().size(), QSize(136, 31));
  for (QWidget* window : {static_cast<QWidget*>(&bench.program.Splash()),
                          static_cast<QWidget*>(&bench.program.Main())})
    EXPECT_EQ(AppBench::Child<QLabel>(*window, "Image1")->pixmap().size(), QSize(136, 31));
}

TEST(DiagnosticWindow, FirstTestSendsTheDefaultsAndAutoIncrementCycles) {
  AppBench bench;
  bench.AtDimmingWindow();
  FrmUsb& usb = bench.program.Usb();

  Once(usb);
  EXPECT_EQ(Byte(usb, 1)->currentText(), "00");
  EXPECT_FALSE(bench.link.List()[2].empty()) << "the run's date line";
  // What went out, as the write traced it: 00 00 55 56 57 58 59 55. The
  // board takes report ID 1 only and never answered.
  const auto lines = bench.link.List().Lines();
  const auto written = std::find(lines.begin(), lines.end(), " NumberOfBytesWritten = 0");
  ASSERT_NE(written, lines.end());
  EXPECT_EQ(std::vector(written + 1, written + 10),
            (std::vector<std::string>{" Report ID: 0", " Report Data:", " 0", " 55", " 56", " 57",
                                      " 58", " 59", " 55"}));
  EXPECT_EQ(Received(usb), "00\n00\n00\n00\n00\n00\n00\n00\n");

  // With report ID 1 the board answers each run; byte 1 goes round eleven
  // values.
  Byte(usb, 0)->setCurrentIndex(1);
  std::vector<std::string> shown;
  for (int run = 0; run < 11; ++run) {
    Once(usb);
    shown.push_back(Byte(usb, 1)->currentText().toStdString());
  }
  EXPECT_THAT(shown, ElementsAre("0A", "14", "1E", "28", "32", "3C", "46", "50", "5A", "64", "00"));
  std::vector<int> sentByte1;
  for (const auto& r : bench.sim->Board().ReceivedReports()) sentByte1.push_back(r.at(1));
  EXPECT_THAT(sentByte1,
              ElementsAre(0x0A, 0x14, 0x1E, 0x28, 0x32, 0x3C, 0x46, 0x50, 0x5A, 0x64, 0x00));
  EXPECT_EQ(Received(usb), "03\n00\n55\n56\n57\n58\n59\n55\n");

  // The view follows the trace and selects its last line.
  usb.Model().Flush();
  auto* view = AppBench::Child<QTableView>(usb, "lstResults");
  EXPECT_EQ(static_cast<std::size_t>(view->model()->rowCount()), bench.link.List().size());
  EXPECT_EQ(view->currentIndex().row(), view->model()->rowCount() - 1);
  EXPECT_EQ(view->currentIndex().data().toString(),
            "  Result = The operation completed successfully.");
}

TEST(DiagnosticWindow, ReadTimeOutShowsZerosAndClosesTheLink) {
  AppBench bench(hidlink::sim::Scenario::kMute);
  bench.AtDimmingWindow();
  FrmUsb& usb = bench.program.Usb();
  Byte(usb, 0)->setCurrentIndex(1);
  Once(usb);
  EXPECT_EQ(Received(usb), "00\n00\n00\n00\n00\n00\n00\n00\n");
  EXPECT_FALSE(bench.link.MyDeviceDetected);
  EXPECT_EQ(bench.TraceCount("************ReadFile timeout*************"), 1u);
  EXPECT_EQ(bench.TraceCount("CloseHandle (ReadHandle)"), 1u);
  // The dimming window's next send searches again and gets through.
  AppBench::Child<QAbstractButton>(bench.program.Main(), "CmdSend")->click();
  EXPECT_EQ(bench.sim->Board().DimmingLevel(), 16);
  EXPECT_TRUE(bench.messages.shown.empty());
}

TEST(DiagnosticWindow, NoBoardLeavesTheReceivedBytesAlone) {
  AppBench bench(hidlink::sim::Scenario::kNone);
  bench.AtDimmingWindow();
  FrmUsb& usb = bench.program.Usb();
  Once(usb);
  EXPECT_EQ(Received(usb), "");
  EXPECT_EQ(Byte(usb, 1)->currentText(), "80");
  const auto& list = bench.link.List();
  EXPECT_EQ(list[list.size() - 1], " Device not found.");
  EXPECT_TRUE(bench.messages.shown.empty());
}

// At a million lines of trace the list still shows every line and follows
// the last one. (What a run costs the view at that length is measured by
// bench/diagnostic_view_bench.cpp: fixed row heights keep it constant.)
TEST(DiagnosticWindow, FollowsTheTraceAtAMillionLines) {
  AppBench bench;
  bench.AtDimmingWindow();
  FrmUsb& usb = bench.program.Usb();
  usb.show();
  auto* view = AppBench::Child<QTableView>(usb, "lstResults");
  EXPECT_EQ(view->verticalHeader()->sectionResizeMode(0), QHeaderView::Fixed);

  for (std::size_t i = bench.link.List().size(); i < 1'000'000; ++i)
    bench.link.List().Append(i % 2 ? " Report Data:" : " 00");
  QApplication::processEvents();
  Byte(usb, 0)->setCurrentIndex(1);
  Once(usb);
  QApplication::processEvents();

  EXPECT_EQ(view->model()->rowCount(), static_cast<int>(bench.link.List().size()));
  EXPECT_EQ(view->currentIndex().row(), view->model()->rowCount() - 1);
  EXPECT_EQ(view->rowAt(view->viewport()->height() - 2), view->model()->rowCount() - 1);
  usb.hide();
}

}  // namespace
}  // namespace ql::app::testing
