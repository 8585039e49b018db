// A program on the simulated board, its messages recorded and its end
// counted instead of ending the test.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QSlider>
#include <QTest>
#include <functional>
#include <stdexcept>
#include <string>
#include <tuple>

#include "app/frm_main.h"
#include "app/frm_splash.h"
#include "app/frm_usb.h"
#include "app/program.h"
#include "tests/support/sim_link.h"

namespace ql::app::testing {

// Throws rather than crash the whole run on a renamed control.
template <typename T = QWidget>
T* Child(QWidget& window, const char* name) {
  T* child = window.findChild<T*>(name);
  if (!child) throw std::runtime_error(std::string("no control ") + name);
  return child;
}
inline void Click(QWidget& window, const char* name) {
  Child<QAbstractButton>(window, name)->click();
}

struct AppBench : ql::testing::SimLink {
  AppBench() : SimLink(hidlink::sim::Scenario::kBoard, board::kBoardIdentity, false) {}

  // Start-up and "&Continue": the operator at the dimming window. As with an
  // operator, the splash window is up a while before "&Continue" is clicked.
  FrmMain& AtDimmingWindow() {
    program.Start();
    QTest::qWait(20);
    Click(program.Splash(), "cmdCont");
    return program.Main();
  }
  QComboBox* List() { return Child<QComboBox>(program.Main(), "comboLvl"); }
  QSlider* Slider() { return Child<QSlider>(program.Main(), "sldLvl"); }
  // Both handles closed exactly once: the link was shut down, and only once.
  bool ShutDownOnce() const {
    const auto lines = list.Lines();
    return ql::testing::CountOf(lines, "CloseHandle (HIDHandle)") == 1 &&
           ql::testing::CountOf(lines, "CloseHandle (ReadHandle)") == 1;
  }

  int ends = 0;
  Program program{link, list, messages, [this] { ++ends; }};
};

}  // namespace ql::app::testing
