// A program on the simulated board, its messages recorded and its end
// counted instead of ending the test.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QWidget>
#include <algorithm>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/frm_main.h"
#include "app/frm_splash.h"
#include "app/frm_usb.h"
#include "app/program.h"
#include "board/operator_messages.h"
#include "hidlink/sim/sim_platform.h"

namespace ql::app::testing {

class RecordedMessages final : public board::OperatorMessages {
 public:
  void ShowMessage(std::string_view text) override { shown.emplace_back(text); }
  std::vector<std::string> shown;
};

struct AppBench {
  explicit AppBench(hidlink::sim::Scenario scenario = hidlink::sim::Scenario::kBoard)
      : sim(new hidlink::sim::SimPlatform(scenario)),
        link(std::unique_ptr<hidlink::Platform>(sim)),
        program(link, messages, [this] { ++ends; }) {}

  // Start-up and "&Continue": the operator at the dimming window.
  FrmMain& AtDimmingWindow() {
    program.Start();
    Child<QAbstractButton>(program.Splash(), "cmdCont")->click();
    return program.Main();
  }

  // Dimming levels the board received, in order.
  std::vector<int> LevelsSent() const {
    std::vector<int> levels;
    for (const auto& report : sim->Board().ReceivedReports()) {
      int level = 0;
      for (int i = 0; i < 5; ++i)
        if (report.at(2) & (1 << i)) level |= 1 << (4 - i);
      if (report.at(1) == 1) levels.push_back(level);
    }
    return levels;
  }

  std::size_t TraceCount(std::string_view line) const {
    const auto lines = link.List().Lines();
    return static_cast<std::size_t>(std::count(lines.begin(), lines.end(), line));
  }

  template <typename T>
  static T* Child(QWidget& window, const char* name) {
    T* child = window.findChild<T*>(name);
    if (!child) throw std::runtime_error(std::string("no control ") + name);
    return child;
  }

  hidlink::sim::SimPlatform* sim;  // owned by the link
  hidlink::Link link;
  RecordedMessages messages;
  int ends = 0;
  Program program;
};

// The top-level windows on screen, by object name.
inline std::vector<std::string> VisibleWindows() {
  std::vector<std::string> names;
  for (const QWidget* w : QApplication::topLevelWidgets())
    if (w->isVisible()) names.push_back(w->objectName().toStdString());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace ql::app::testing
