// A program on the simulated board, its messages recorded and its end
// counted instead of ending the test.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QSlider>
#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

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

struct AppBench {
  explicit AppBench(hidlink::sim::Scenario scenario = hidlink::sim::Scenario::kBoard)
      : sim(new hidlink::sim::SimPlatform(scenario)),
        link(std::unique_ptr<hidlink::Platform>(sim)),
        program(link, messages, [this] { ++ends; }) {}

  // Start-up and "&Continue": the operator at the dimming window.
  FrmMain& AtDimmingWindow() {
    program.Start();
    Click(program.Splash(), "cmdCont");
    return program.Main();
  }
  QComboBox* List() { return Child<QComboBox>(program.Main(), "comboLvl"); }
  QSlider* Slider() { return Child<QSlider>(program.Main(), "sldLvl"); }

  // Dimming levels the board received, in order; the report carries the
  // level's five bits reversed.
  std::vector<int> LevelsSent() const {
    std::vector<int> levels;
    for (const auto& report : sim->Board().ReceivedReports()) {
      if (report.at(1) != 1) continue;
      int level = 0;
      for (int i = 0; i < 5; ++i) level |= ((report.at(2) >> i) & 1) << (4 - i);
      levels.push_back(level);
    }
    return levels;
  }

  std::size_t TraceCount(std::string_view line) const {
    const auto lines = link.List().Lines();
    return static_cast<std::size_t>(std::count(lines.begin(), lines.end(), line));
  }

  hidlink::sim::SimPlatform* sim;  // owned by the link
  hidlink::Link link;
  ql::testing::RecordedMessages messages;
  int ends = 0;
  Program program;
};

}  // namespace ql::app::testing
