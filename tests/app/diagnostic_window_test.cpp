// The diagnostic window: the HID test run from "Once", and the trace view at
// a million lines. How each read outcome is traced is left to the tests of
// the logic below the window.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QTableView>

#include "app/diagnostic_model.h"
#include "app_bench.h"

namespace ql::app::testing {
namespace {

using ::testing::ElementsAre;

QComboBox* Byte(FrmUsb& usb, int n) {
  return Child<QComboBox>(usb, n == 0 ? "cboByte0" : "cboByte1");
}
QString Received(FrmUsb& usb) {
  return Child<QPlainTextEdit>(usb, "txtBytesReceived")->toPlainText();
}

TEST(DiagnosticWindow, FirstTestSendsTheDefaultsAndAutoIncrementCycles) {
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

TEST(DiagnosticWindow, NoBoardNoStepAndNoMessage) {
  AppBench bench(hidlink::sim::Scenario::kNone);
  bench.AtDimmingWindow();
  FrmUsb& usb = bench.program.Usb();
  Click(usb, "cmdOnce");
  EXPECT_EQ(Received(usb), "");
  EXPECT_EQ(Byte(usb, 1)->currentText(), "80");
  EXPECT_TRUE(bench.messages.shown.empty());
}

// (What a run costs the view at that length is measured by
// bench/diagnostic_view_bench.cpp.)
TEST(DiagnosticWindow, FollowsTheTraceAtAMillionLines) {
  AppBench bench;
  bench.AtDimmingWindow();
  FrmUsb& usb = bench.program.Usb();
  usb.show();
  for (std::size_t i = bench.link.List().size(); i < 1'000'000; ++i)
    bench.link.List().Append(i % 2 ? " Report Data:" : " 00");
  QApplication::processEvents();
  Byte(usb, 0)->setCurrentIndex(1);
  Click(usb, "cmdOnce");
  QApplication::processEvents();

  auto* view = Child<QTableView>(usb, "lstResults");
  const int rows = view->model()->rowCount();
  EXPECT_EQ(rows, static_cast<int>(bench.link.List().size()));
  EXPECT_EQ(view->currentIndex().row(), rows - 1);
  EXPECT_EQ(view->rowAt(view->viewport()->height() - 2), rows - 1);
  usb.hide();
}

}  // namespace
}  // namespace ql::app::testing
