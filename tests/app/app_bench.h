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

struct AppBench : private hidlink::DiagnosticList::Observer {
  explicit AppBench(hidlink::sim::Scenario scenario = hidlink::sim::Scenario::kBoard)
      : kit(board::MakeSimulatedPc(scenario)),
        sim(kit.pc),
        firmware(*kit.firmware),
        link(std::move(kit.platform), board::kBoardIdentity),
        program(link, messages, [this] { ++ends; }) {
    link.List().AddObserver(this);
  }
  ~AppBench() override { link.List().RemoveObserver(this); }

  // Start-up and "&Continue": the operator at the dimming window.
  FrmMain& AtDimmingWindow() {
    program.Start();
    Click(program.Splash(), "cmdCont");
    return program.Main();
  }
  QComboBox* List() { return Child<QComboBox>(program.Main(), "comboLvl"); }
  QSlider* Slider() { return Child<QSlider>(program.Main(), "sldLvl"); }

  // Dimming levels the board received, in order.
  const std::vector<int>& LevelsSent() const { return levels_; }

  std::size_t TraceCount(std::string_view line) const {
    const auto lines = link.List().Lines();
    return static_cast<std::size_t>(std::count(lines.begin(), lines.end(), line));
  }

  board::SimulatedPc kit;
  hidlink::sim::SimPc* sim;  // owned by the link
  const board::Firmware& firmware;
  hidlink::Link link;
  ql::testing::RecordedMessages messages;
  int ends = 0;
  Program program;

 private:
  // Every write leaves trace lines: a report the board took shows by then.
  void LinesAppended(std::size_t, std::size_t) override {
    if (firmware.ReceivedCount() == taken_) return;
    taken_ = firmware.ReceivedCount();
    const auto& last = firmware.LastReceived();
    if (last && (*last)[1] == 1) levels_.push_back(*firmware.DimmingLevel());
  }
  void SelectionChanged(std::size_t) override {}

  std::uint64_t taken_ = 0;
  std::vector<int> levels_;
};

}  // namespace ql::app::testing
